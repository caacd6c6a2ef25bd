#include "cli/station/StationRecord.h"

#include <nlohmann/json.hpp>

#include "card/Sha256.h"
#include "cli/Figures.h"
#include "cli/JsonReports.h"
#include "drives/ShowableText.h"

namespace vorlane::cli {
namespace {

using TJson = nlohmann::ordered_json;

TJson TimesJson(const TStepTimes& times) {
  return {{"seconds", times.Seconds},
          {"bytes", times.Bytes},
          {"megabytesPerSecond", MegabytesPerSecond(times.Bytes, times.Seconds)}};
}

TJson ReaderJson(const TDriveDetails& drive) {
  return {{"vendor", ShowableText(drive.Vendor)},
          {"model", ShowableText(drive.Model)},
          {"serial", ShowableText(drive.Serial)}};
}

TJson SegmentsJson(const std::vector<TRecordedSegment>& segments) {
  TJson list = TJson::array();
  for (const TRecordedSegment& segment : segments)
    list.push_back({{"segment", static_cast<int>(segment.Segment)},
                    {"file", segment.File},
                    {"declaredLength", segment.DeclaredLength},
                    {"sha256", segment.Sha256}});
  return list;
}

// The capacity proof's time and what it found the card keeps; null where it did not run.
TJson CheckJson(const std::optional<TCapacityCheck>& check) {
  if (!check) return nullptr;
  return {{"seconds", check->Seconds},
          {"keptBytes", check->Proof.KeptBytes},
          {"cacheBytes", check->CacheBytes}};
}

TJson OptionalJson(const auto& value) {
  return value ? TJson(*value) : TJson(nullptr);
}

TJson FailureJson(const std::optional<TCardFailure>& failure) {
  if (!failure) return nullptr;
  TJson json = {{"step", StepName(failure->Step.Kind)},
                {"segment", static_cast<int>(failure->Step.Segment)},
                {"sector", nullptr},
                {"error", failure->SystemError}};
  if (failure->CardByte) json["sector"] = *failure->CardByte / SectorSize;
  return json;
}

}  // namespace

const char* StepName(TStepKind kind) {
  switch (kind) {
    case TStepKind::Check:
      return "check";
    case TStepKind::Write:
      return "write";
    case TStepKind::Verify:
      return "verify";
    case TStepKind::Grade:
      return "grade";
  }
  return "?";
}

double MegabytesPerSecond(const TStepTimes& times) {
  return times.Seconds > 0 ? static_cast<double>(times.Bytes) / 1e6 / times.Seconds : 0;
}

std::string LineDigest(std::string_view line) {
  TSha256 sha;
  sha.Update({reinterpret_cast<const std::uint8_t*>(line.data()), line.size()});
  return HexDigest(sha.Finish());
}

const char* VerdictName(TCardVerdict verdict) {
  switch (verdict) {
    case TCardVerdict::Passed:
      return "passed";
    case TCardVerdict::Failed:
      return "failed";
    case TCardVerdict::Refused:
      return "refused";
    case TCardVerdict::Stopped:
      return "stopped";
  }
  return "?";
}

std::string IsoTimeUtc(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  const sys_seconds seconds = floor<std::chrono::seconds>(time);
  const sys_days day = floor<days>(seconds);
  const year_month_day date(day);
  const hh_mm_ss clock(seconds - day);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()));
  return text;
}

std::string FormatRecord(const TCardRecord& record, const TRecordStamp& stamp,
                         const std::optional<std::string>& previous) {
  const TJson json = {{"time", IsoTimeUtc(stamp.Time)},
                      {"host", stamp.Host},
                      {"version", stamp.Version},
                      {"operator", OptionalJson(stamp.Operator)},
                      {"batch", OptionalJson(stamp.Batch)},
                      {"slot", ShowableText(record.Slot)},
                      {"device", record.Device},
                      {"reader", ReaderJson(record.Drive)},
                      {"sizeBytes", record.Drive.SizeBytes},
                      {"card", CardIdentityJson(record.Drive.Card)},
                      {"segments", SegmentsJson(record.Segments)},
                      {"result", VerdictName(record.Verdict)},
                      {"words", record.Words},
                      {"failure", FailureJson(record.Failure)},
                      {"check", CheckJson(record.Capacity)},
                      {"write", TimesJson(record.Writing)},
                      {"verify", TimesJson(record.Verifying)},
                      {"longestStallSeconds", OptionalJson(record.LongestStallSeconds)},
                      {"previous", OptionalJson(previous)}};
  // File names are the operator's, and may hold bytes that are no UTF-8: they are replaced.
  return json.dump(-1, ' ', false, TJson::error_handler_t::replace) + "\n";
}

}  // namespace vorlane::cli
