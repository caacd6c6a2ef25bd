#include "card/Verify.h"

#include <algorithm>
#include <array>
#include <future>
#include <span>

#include "card/WavFile.h"
#include "drives/AlignedBuffer.h"

namespace vorlane {
namespace {

class TSegmentComparison {
 public:
  TSegmentComparison(TVolume& volume, TSegment segment, const TSegmentSlot& slot,
                     std::size_t transferSize)
      : Volume(volume),
        File(slot.File),
        FirstByte(StartByteFor(segment)),
        ImageBytes(ImageBytesFor(slot.DeclaredLength)),
        // Whole sectors: the volume moves nothing smaller. Page-aligned, so a volume that reads
        // uncached fills them without a bounce copy.
        Card{TAlignedBuffer(transferSize / SectorSize * SectorSize),
             TAlignedBuffer(transferSize / SectorSize * SectorSize)},
        FileImage(Card[0].Size()) {}

  // The file's bytes for a transfer are read while the card reads the same transfer, and the
  // card's next read starts as soon as one ends: the card never waits for the comparison.
  TVerifyOutcome Run(const TVerifyProgress& progress, std::stop_token stop) {
    std::future<std::error_code> reading = ReadAhead(0, 0);
    int shown = -1;
    for (std::uint64_t done = 0; done < ImageBytes;) {
      const std::size_t size = TransferAt(done);
      const std::error_code fileError = ReadWavSectors(File, done, FileImage.First(size));
      if (const std::error_code error = reading.get())
        return {TVerifyResult::CardReadFailed, error, FirstByte + done};
      const int filled = Filled;
      if (done + size < ImageBytes) reading = ReadAhead(1 - filled, done + size);
      // Any return below waits for the read under way as `reading` goes out of scope.
      if (fileError) return {TVerifyResult::FileReadFailed, fileError, std::nullopt};
      if (const auto differs = FirstDifference(Card[filled].First(size), FileImage.First(size)))
        return {TVerifyResult::Differs, {}, SectorStartOf(FirstByte + done + *differs)};
      done += size;
      const int percent = static_cast<int>(done * 100 / ImageBytes);
      if (percent != shown && progress) progress(shown = percent);
      if (done < ImageBytes && stop.stop_requested()) return {TVerifyResult::Stopped, {}, {}};
    }
    return {};
  }

 private:
  std::size_t TransferAt(std::uint64_t done) const {
    return static_cast<std::size_t>(std::min<std::uint64_t>(Card[0].Size(), ImageBytes - done));
  }

  std::future<std::error_code> ReadAhead(int buffer, std::uint64_t done) {
    Filled = buffer;
    const std::span<std::uint8_t> target = Card[buffer].First(TransferAt(done));
    return std::async(std::launch::async,
                      [this, target, at = FirstByte + done] { return Volume.Read(at, target); });
  }

  static std::optional<std::size_t> FirstDifference(std::span<const std::uint8_t> card,
                                                    std::span<const std::uint8_t> image) {
    // memcmp over the whole transfer first: the common case, equal bytes, at memory speed.
    if (std::equal(card.begin(), card.end(), image.begin())) return std::nullopt;
    return static_cast<std::size_t>(std::mismatch(card.begin(), card.end(), image.begin()).first -
                                    card.begin());
  }

  TVolume& Volume;
  const std::string& File;
  const std::uint64_t FirstByte;
  const std::uint64_t ImageBytes;
  std::array<TAlignedBuffer, 2> Card;
  TAlignedBuffer FileImage;
  int Filled = 0;  // the card buffer the read under way fills
};

const char* ProblemOf(TVerifyResult result) {
  switch (result) {
    case TVerifyResult::Matches:
      return "the card holds the file's image";
    case TVerifyResult::Differs:
      return "the card differs from the file's image";
    case TVerifyResult::CardReadFailed:
      return "reading the card";
    case TVerifyResult::FileReadFailed:
      return "reading the WAV file";
    case TVerifyResult::Stopped:
      return "stopped";
  }
  return "?";
}

}  // namespace

TVerifyOutcome VerifySegment(TVolume& volume, TSegment segment, const TSegmentSlot& slot,
                             const TVerifyProgress& progress, std::stop_token stop,
                             std::size_t transferSize) {
  TSegmentComparison comparison(volume, segment, slot,
                                std::max<std::size_t>(transferSize, SectorSize));
  return comparison.Run(progress, stop);
}

std::string DescribeVerifyFailure(const std::string& volumePath, TSegment segment,
                                  const TVerifyOutcome& outcome) {
  std::string line =
      volumePath + ": verifying " + DescribeSegment(segment) + ": " + ProblemOf(outcome.Result);
  if (outcome.CardOffset) line += " at " + DescribeSectorOf(*outcome.CardOffset);
  if (outcome.Error) line += ": " + outcome.Error.message();
  return line;
}

}  // namespace vorlane
