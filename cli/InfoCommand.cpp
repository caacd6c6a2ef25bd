// info: what a card holds, read from its raw sectors.
#include <cstdio>
#include <filesystem>
#include <ostream>

#include "card/CardInfo.h"
#include "card/JobOutcome.h"
#include "cli/CapacityCheck.h"
#include "cli/Commands.h"
#include "cli/JsonReports.h"
#include "cli/Targets.h"
#include "cli/Usage.h"
#include "drives/Platform.h"
#include "drives/ShowableText.h"

namespace vorlane::cli {
namespace {

struct TCardReport {
  const TTarget& Target;
  std::uint64_t SizeBytes = 0;
  TCardReading Reading;
  std::string Failure;  // why the card could not be read; empty when it could
};

TCardReport ReadReport(TPlatform& platform, const TTarget& target) {
  TCardReport report{target, 0, {}, {}};
  std::error_code error;
  report.SizeBytes = target.IsDrive ? target.Details.SizeBytes
                                    : std::filesystem::file_size(target.VolumePath, error);
  const TVolumeOpening opening = platform.OpenVolume(target.VolumePath);
  if (!opening.Volume) {
    report.Failure = DescribeFailure(target.VolumePath, OpenFailure(opening));
    return report;
  }
  report.Reading = ReadCardInfo(*opening.Volume);
  const TOutcome<TCardReadResult>& read = report.Reading.Outcome;
  if (read.Result == TCardReadResult::ReadFailed)
    report.Failure = target.VolumePath + ": reading the card at byte " +
                     std::to_string(read.CardOffset.value_or(0)) + ": " + read.Error.message();
  return report;
}

std::string FormatText(const TWavFormat& format) {
  const std::string kind =
      format.FormatTag == 1 ? "PCM" : "format " + std::to_string(format.FormatTag);
  return kind + ", " + std::to_string(format.Channels) +
         (format.Channels == 1 ? " channel, " : " channels, ") + std::to_string(format.SampleRate) +
         " Hz, " + std::to_string(format.BitsPerSample) + " bits";
}

// "WAV file of 300001 bytes, PCM, 2 channels, 44100 Hz, 16 bits, 1.70 s, padding intact"
std::string SegmentText(const TSegmentInfo& segment) {
  if (segment.DeclaredLength == 0) return "no WAV file";
  std::string text = "WAV file of " + std::to_string(segment.DeclaredLength) + " bytes";
  const TWavHeader& header = segment.Header;
  if (header.Format) text += ", " + FormatText(*header.Format);
  if (const std::optional<double> seconds = header.DurationSeconds()) {
    char duration[32];
    std::snprintf(duration, sizeof duration, ", %.2f s", *seconds);
    text += duration;
  }
  if (!header.Problem.empty()) text += ", header broken: " + header.Problem;
  return text + (segment.PaddingIntact ? ", padding intact" : ", padding NOT intact");
}

void PrintText(std::ostream& out, const TCardReport& report) {
  const TTarget& target = report.Target;
  out << target.Name << ": "
      << (target.IsDrive ? DescribeDrive(target.Details)
                         : "card image, " + std::to_string(report.SizeBytes) + " bytes")
      << "\n";
  const TCardIdentity& card = target.Details.Card;
  if (!card.Cid.empty())
    out << "  card: CID " << ShowableText(card.Cid) << ", serial " << ShowableText(card.Serial)
        << ", maker " << ShowableText(card.ManufacturerId) << ", name " << ShowableText(card.Name)
        << ", made " << ShowableText(card.Date) << "\n";
  if (!report.Failure.empty()) return;
  const TCardInfo& info = report.Reading.Info;
  out << "  test sector " << TestSector << ": "
      << (info.TestPattern ? "test pattern" : "no test pattern")
      << (info.FoldSuspected() ? ", though segment data follows: a sign of a card that "
                                 "folds its addresses (it keeps fewer bytes than it reports)"
                               : "")
      << "\n";
  out << "  capacity: " << DescribeProofRecord(info.Proof, report.SizeBytes) << "\n";
  for (const TSegmentInfo& segment : info.Segments)
    out << "  " << DescribeSegment(segment.Segment) << " (sector "
        << StartSectorFor(segment.Segment) << "): " << SegmentText(segment) << "\n";
}

}  // namespace

int RunInfo(const TCommandContext& context, const std::vector<std::string>& drives, bool json) {
  const std::vector<TTarget> targets =
      ResolveTargets(drives, context.RemovableDrives(), TMissingImage::Refuse);
  nlohmann::ordered_json all = nlohmann::ordered_json::array();
  int exitCode = ExitPassed;
  for (const TTarget& target : targets) {
    const TCardReport report = ReadReport(context.Platform, target);
    if (!report.Failure.empty()) {
      context.Err << report.Failure << std::endl;
      exitCode = ExitCardFailed;
    }
    if (json)
      all.push_back(
          CardReportJson(report.Target, report.SizeBytes, report.Reading, report.Failure));
    else
      PrintText(context.Out, report);
  }
  if (json) context.Out << JsonText(all) << "\n";
  context.Out.flush();
  return exitCode;
}

}  // namespace vorlane::cli
