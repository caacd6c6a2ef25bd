#include "card/TReadWrite.h"

#include <algorithm>
#include <new>

#include "card/CardProof.h"
#include "card/ImageWriter.h"
#include "card/WavFile.h"

namespace vorlane {
namespace {

constexpr std::uint64_t SectorsPerTransfer = TImageWriter::TransferSize / SectorSize;

TJobOutcome Ended(TJobResult result, std::error_code error = {},
                  std::optional<std::uint64_t> at = std::nullopt) {
  return {result, error, at};
}

// What an exception the card layer did not foresee stands for in an outcome.
std::error_code ErrorOfCurrentException() {
  try {
    throw;
  } catch (const std::system_error& error) {
    return error.code();
  } catch (const std::bad_alloc&) {
    return std::make_error_code(std::errc::not_enough_memory);
  } catch (...) {
    return std::make_error_code(std::errc::io_error);
  }
}

}  // namespace

TReadWriteThread::TReadWriteThread(TWriteRequest request, TJobObserver& observer,
                                   TPlatform& platform, TSector& sectorBuf)
    : Request(std::move(request)),
      Observer(observer),
      Platform(platform),
      SectorBuf(sectorBuf),
      Thread([this](std::stop_token stop) { Execute(stop); }) {}

TReadWriteThread::~TReadWriteThread() {
  RequestStop();
  WaitFor();
}

void TReadWriteThread::WaitFor() {
  if (Thread.joinable()) Thread.join();
}

// A failure the card layer did not foresee (no memory for the transfers, no thread for them, a
// backend that throws) must not take the program down with the card half written: it ends the
// job as a failed write.
void TReadWriteThread::Execute(std::stop_token stop) {
  Stop = stop;
  TJobOutcome outcome;
  try {
    outcome = Run();
  } catch (...) {
    outcome = Ended(TJobResult::ImageWriteFailed, ErrorOfCurrentException());
  }
  Observer.Finished(outcome);
}

TJobOutcome TReadWriteThread::Run() {
  // Callers refuse these lengths themselves; the job still must not divide by a zero sector
  // count or run a segment into the next one.
  if (Request.Slot.DeclaredLength == 0) return Ended(TJobResult::NoFile);
  if (Request.Slot.DeclaredLength > MaxDeclaredLength) return Ended(TJobResult::TooLarge);
  const TVolumeOpening opening = Platform.OpenVolume(Request.VolumePath);
  if (!opening.Volume) return OpenFailure(opening);
  TVolume& volume = *opening.Volume;
  TJobOutcome outcome = ProveTestSector(volume, SectorBuf);
  // A card that folds its addresses would take the image and put part of it over the card's
  // start: look for that within the image's own sectors before writing it.
  if (outcome.Result == TJobResult::Succeeded)
    outcome =
        ProbeSegmentImage(volume, Request.WriteMode, Request.Slot.DeclaredLength, NewProbeToken());
  if (outcome.Result == TJobResult::Succeeded) outcome = WriteImage(volume);
  if (outcome.Result == TJobResult::Succeeded) outcome = RecheckTestSector(volume);
  return outcome;
}

// The image is confirmed; the test sector must still hold the pattern. A card that folded the
// image over its start in a way the probe did not foresee has lost it.
TJobOutcome TReadWriteThread::RecheckTestSector(TVolume& volume) {
  TJobOutcome outcome = CheckTestPattern(volume);
  if (outcome.Result == TJobResult::TestCompareFailed)
    outcome.Detail = std::string(KeepsFewerBytesDetail) +
                     ": the test sector was overwritten while the segment was written";
  return outcome;
}

// Sector c of the image holds file bytes 512c..512c+511, padded with 0x80; the image is one
// sector longer than the declared length needs, so it always ends in padding. The file is
// opened anew for each transfer: one that vanishes mid-job ends it at the next transfer.
// The gauge follows the card: a sector counts once the card has taken its transfer, and the last
// one, which shows 100, once the card has confirmed the whole image.
TJobOutcome TReadWriteThread::WriteImage(TVolume& volume) {
  const std::uint64_t imageSectors = ImageBytesFor(Request.Slot.DeclaredLength) / SectorSize;
  TImageWriter writer(volume, StartByteFor(Request.WriteMode), [&](std::uint64_t bytesTaken) {
    ShowSectorsDone(std::min(bytesTaken / SectorSize, imageSectors - 1));
  });
  for (std::uint64_t first = 0; first < imageSectors; first += SectorsPerTransfer) {
    const TJobOutcome sent =
        SendTransfer(first, std::min(SectorsPerTransfer, imageSectors - first), writer);
    if (sent.Result != TJobResult::Succeeded) return sent;
  }
  // Success only once the card has confirmed every sector.
  if (const std::error_code error = writer.Finish())
    return Ended(TJobResult::ImageWriteFailed, error, writer.FailedAt());
  ShowSectorsDone(imageSectors);
  return Ended(TJobResult::Succeeded);
}

// Reads one transfer's sectors from the file into the writer's buffer and submits them. A stop
// request ends the image before the transfer: the sectors before it are confirmed.
TJobOutcome TReadWriteThread::SendTransfer(std::uint64_t firstSector, std::uint64_t count,
                                           TImageWriter& writer) {
  const std::uint64_t fileOffset = firstSector * SectorSize;
  const std::span<std::uint8_t> bytes = writer.FillBuffer().first(count * SectorSize);
  if (const std::error_code error = ReadWavSectors(Request.Slot.File, fileOffset, bytes))
    return Ended(TJobResult::ImageWriteFailed, error, StartByteFor(Request.WriteMode) + fileOffset);
  const bool stopped = Stop.stop_requested();
  std::error_code error = writer.Submit(stopped ? 0 : count * SectorSize);
  if (!error && stopped) error = writer.Finish();
  if (error) return Ended(TJobResult::ImageWriteFailed, error, writer.FailedAt());
  return Ended(stopped ? TJobResult::Stopped : TJobResult::Succeeded);
}

// Image sector c shows c x 100 / SectorCount, 0 after the first and 100 after the last, each
// sector in turn, so no value is skipped however many sectors a transfer holds.
void TReadWriteThread::ShowSectorsDone(std::uint64_t sectors) {
  const std::uint64_t sectorCount = SectorCountFor(Request.Slot.DeclaredLength);
  for (; SectorsShown < sectors; ++SectorsShown)
    ReportProgress(static_cast<int>(SectorsShown * 100 / sectorCount));
}

// The observer only hears of a new value: at most 101 calls however long the segment.
void TReadWriteThread::ReportProgress(int percent) {
  if (percent == ShownProgress) return;
  ShownProgress = percent;
  Observer.Progress(percent);
}

}  // namespace vorlane
