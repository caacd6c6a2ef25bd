// What a card holds, as a card from a bad batch or a crafted one may hold it: the test sector,
// each segment's first bytes and the padding after its declared length, on a card that may end
// or refuse a read anywhere near them. Read as info and read read it, then verified against a
// file as verify does. Never a crash, never a read outside the buffers, and what comes back
// stays within what the header declared.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>

#include "card/CardInfo.h"
#include "card/Verify.h"
#include "tests/card/MemoryCard.h"
#include "tests/fuzz/FuzzCheck.h"

namespace vorlane::fuzz {
namespace {

using testing::TMemoryCard;
using testing::TMemoryVolume;

constexpr std::uint64_t TestByte = std::uint64_t{TestSector} * SectorSize;
constexpr std::uint64_t Segment1Byte = std::uint64_t{Segment1StartSector} * SectorSize;
constexpr std::uint64_t Segment2Byte = std::uint64_t{Segment2StartSector} * SectorSize;

// Verification reads the whole image; a few hundred KiB keeps each run quick.
constexpr std::uint32_t LargestVerifiedLength = 256 << 10;

// A card byte near one of the places the reader looks at.
std::uint64_t ByteNearAPlaceRead(FuzzedDataProvider& input) {
  const std::uint64_t place =
      input.PickValueInArray({std::uint64_t{0}, TestByte, Segment1Byte, Segment2Byte});
  return place + input.ConsumeIntegralInRange<std::uint64_t>(0, 2 * HeaderBytesRead);
}

void PutSegment(FuzzedDataProvider& input, TMemoryCard& card, TSegment segment) {
  const std::uint64_t firstByte = std::uint64_t{StartSectorFor(segment)} * SectorSize;
  const std::vector<std::uint8_t> head = input.ConsumeBytes<std::uint8_t>(
      input.ConsumeIntegralInRange<std::size_t>(0, HeaderBytesRead + SectorSize));
  card.Put(firstByte, head);
  TSector first{};
  std::copy_n(head.begin(), std::min<std::size_t>(head.size(), SectorSize), first.begin());
  const std::uint32_t declared = DeclaredWavLength(first);
  // The padding a finished write leaves, from the declared length to the image's end.
  if (declared != 0 && input.ConsumeBool())
    card.Put(firstByte + declared,
             std::vector<std::uint8_t>(ImageBytesFor(declared) - declared, PadByte));
}

void CheckSegment(const TSegmentInfo& segment) {
  if (segment.DeclaredLength == 0) return;
  Check(segment.DeclaredLength >= 44 && segment.DeclaredLength <= MaxDeclaredLength,
        "a declared length is one the write check accepts");
  const TWavHeader& header = segment.Header;
  Check(!header.DataBytes || *header.DataBytes <= segment.DeclaredLength,
        "the samples lie within the declared length");
  if (const std::optional<double> seconds = header.DurationSeconds())
    Check(std::isfinite(*seconds) && *seconds >= 0, "a duration is a number of seconds");
}

// The segment verified against a file of the remaining input, with small transfers so the
// comparison crosses several of them.
void VerifyAgainstFile(FuzzedDataProvider& input, TVolume& volume, const TSegmentInfo& segment) {
  if (segment.DeclaredLength == 0 || segment.DeclaredLength > LargestVerifiedLength) return;
  const std::size_t transfer = input.ConsumeIntegralInRange<std::size_t>(1, 64) * SectorSize;
  static TMemoryFile file;
  file.Hold(input.ConsumeRemainingBytes<std::uint8_t>());
  const TSegmentSlot slot{file.Path(), segment.DeclaredLength, true};
  const TVerifyOutcome outcome = VerifySegment(volume, segment.Segment, slot, {}, {}, transfer);
  if (outcome.CardOffset) {
    const std::uint64_t first = StartByteFor(segment.Segment);
    Check(*outcome.CardOffset >= first &&
              *outcome.CardOffset < first + ImageBytesFor(segment.DeclaredLength),
          "a failing position lies within the segment's image");
  }
}

}  // namespace
}  // namespace vorlane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vorlane;
  FuzzedDataProvider input(data, size);
  testing::TMemoryCard card;
  card.SizeBytes = input.ConsumeBool() ? testing::MemoryCardSize : fuzz::ByteNearAPlaceRead(input);
  if (input.ConsumeBool()) card.FailReadsAt = fuzz::ByteNearAPlaceRead(input);
  card.Put(fuzz::TestByte, input.ConsumeBytes<std::uint8_t>(SectorSize));
  fuzz::PutSegment(input, card, TSegment::One);
  fuzz::PutSegment(input, card, TSegment::Two);

  testing::TMemoryVolume volume(card);
  const TCardReading reading = ReadCardInfo(volume);
  const bool failed = reading.Outcome.Result == TCardReadResult::ReadFailed;
  fuzz::Check(!failed || (reading.Outcome.Error && reading.Outcome.CardOffset.has_value()),
              "a failed read says why and where");
  for (const TSegmentInfo& segment : reading.Info.Segments) fuzz::CheckSegment(segment);
  if (!failed)
    fuzz::VerifyAgainstFile(input, volume, reading.Info.Segments[input.ConsumeBool() ? 1 : 0]);
  return 0;
}
