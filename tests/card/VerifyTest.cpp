#include "card/Verify.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/card/MemoryCard.h"
#include "tests/card/WavFiles.h"

namespace vorlane {
namespace {

using testing::MakeWavBytes;
using testing::TMemoryCard;
using testing::TMemoryVolume;
using testing::TTempFolder;

constexpr std::size_t SmallTransfer = 4096;  // 8 sectors: many transfer boundaries in a test

// A card that holds a segment's image, and the file it came from.
struct TWrittenSegment {
  TTempFolder Folder;
  TMemoryCard Card;
  TSegmentSlot Slot;
  TSegment Segment;

  TWrittenSegment(TSegment segment, std::uint32_t length, std::size_t fileSize) : Segment(segment) {
    const std::vector<std::uint8_t> file = MakeWavBytes(length, fileSize);
    Slot = {Folder.Write("segment.wav", file), length, true};
    Card.PutImage(segment, file, length);
  }
  std::uint64_t FirstByte() const { return std::uint64_t{StartSectorFor(Segment)} * SectorSize; }
  TVerifyOutcome Verify(std::size_t transfer = SmallTransfer) {
    TMemoryVolume volume(Card);
    return VerifySegment(volume, Segment, Slot, {}, {}, transfer);
  }
};

TEST(VerifySegment, AFaithfulImagePassesWhateverTheTransferSize) {
  for (const std::size_t transfer : {std::size_t{512}, SmallTransfer, VerifyTransferSize}) {
    SCOPED_TRACE(transfer);
    TWrittenSegment written(TSegment::One, 10000, 10000);
    EXPECT_EQ(written.Verify(transfer), TVerifyOutcome{});
  }
}

// 10,000 bytes cover sectors 0..19 (the last one partly); the image is sectors 0..20.
TEST(VerifySegment, NamesTheFirstSectorThatDiffersAnywhereInTheImage) {
  struct TCase {
    const char* Name;
    std::uint64_t ImageByte;     // changed on the card
    std::uint64_t ExpectSector;  // counted from the segment's first sector
  } cases[] = {
      {"header byte", 9, 0},
      {"just before a transfer boundary", 4095, 7},
      {"just after a transfer boundary", 4096, 8},
      {"last file byte", 9999, 19},
      {"padding after the last file byte", 10000, 19},
      {"the extra padding sector", 20 * 512 + 511, 20},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TWrittenSegment written(TSegment::One, 10000, 10000);
    written.Card.At(written.FirstByte() + c.ImageByte) ^= 0x01;
    EXPECT_EQ(
        written.Verify(),
        (TVerifyOutcome{TVerifyResult::Differs, {}, (Segment1StartSector + c.ExpectSector) * 512}));
  }
}

TEST(VerifySegment, ReportsTheEarliestOfTwoDifferencesAndSectorsOfSegmentTwo) {
  TWrittenSegment written(TSegment::Two, 10000, 10000);
  written.Card.At(written.FirstByte() + 9000) ^= 0xFF;
  written.Card.At(written.FirstByte() + 600) ^= 0xFF;
  EXPECT_EQ(written.Verify().CardOffset, std::optional<std::uint64_t>(839681 * 512ull));
}

TEST(VerifySegment, StopsAtTheImageEndAndLooksNoFurther) {
  TWrittenSegment written(TSegment::One, 10000, 10000);
  written.Card.At(written.FirstByte() + 21 * 512) = 0x55;  // the sector after the image
  written.Card.At(written.FirstByte() - 1) = 0x55;         // the sector before it
  EXPECT_EQ(written.Verify().Result, TVerifyResult::Matches);
}

// A file shorter than its header declares: the image is the bytes it has, then padding.
TEST(VerifySegment, ComparesPaddingWhereTheFileEndsBeforeItsDeclaredLength) {
  TWrittenSegment written(TSegment::One, 3000, 1000);
  EXPECT_EQ(written.Verify().Result, TVerifyResult::Matches);
  written.Card.At(written.FirstByte() + 2000) = 0x00;  // within the declared length, past the file
  EXPECT_EQ(written.Verify().CardOffset,
            std::optional<std::uint64_t>((Segment1StartSector + 3) * 512ull));
}

TEST(VerifySegment, ACardThatRefusesAReadNamesTheTransferAndTheSystemError) {
  TWrittenSegment written(TSegment::One, 10000, 10000);
  written.Card.FailReadsAt = written.FirstByte() + 5000;  // in the second 4096-byte transfer
  EXPECT_EQ(written.Verify(), (TVerifyOutcome{TVerifyResult::CardReadFailed,
                                              std::make_error_code(std::errc::io_error),
                                              (Segment1StartSector + 8) * 512ull}));
}

TEST(VerifySegment, ACardThatEndsWithinTheImageFails) {
  TWrittenSegment written(TSegment::One, 10000, 10000);
  written.Card.SizeBytes = written.FirstByte() + 5000;
  const TVerifyOutcome outcome = written.Verify();
  EXPECT_EQ(outcome.Result, TVerifyResult::CardReadFailed);
  EXPECT_EQ(outcome.Error, EndOfVolumeError());
}

TEST(VerifySegment, AFileThatVanishedFailsAsAFileError) {
  TWrittenSegment written(TSegment::One, 10000, 10000);
  std::filesystem::remove(written.Slot.File);
  const TVerifyOutcome outcome = written.Verify();
  EXPECT_EQ(outcome.Result, TVerifyResult::FileReadFailed);
  EXPECT_TRUE(outcome.Error);
}

TEST(VerifySegment, ReadsInLargeTransfersAndReportsEachPercentOnceUpTo100) {
  TWrittenSegment written(TSegment::One, 9 << 20, 9 << 20);  // 9 MiB: three 4 MiB reads
  TMemoryVolume volume(written.Card);
  std::vector<int> percents;
  const TVerifyOutcome outcome = VerifySegment(volume, TSegment::One, written.Slot,
                                               [&](int percent) { percents.push_back(percent); });
  EXPECT_EQ(outcome.Result, TVerifyResult::Matches);
  EXPECT_EQ(written.Card.LargestRead, std::size_t{4 << 20});
  EXPECT_EQ(written.Card.Reads, 3u);
  ASSERT_FALSE(percents.empty());
  EXPECT_EQ(percents.back(), 100);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_EQ(std::adjacent_find(percents.begin(), percents.end()), percents.end());
}

TEST(VerifySegment, AStopRequestEndsItBeforeTheImageEnd) {
  TWrittenSegment written(TSegment::One, 10000, 10000);
  TMemoryVolume volume(written.Card);
  std::stop_source stop;
  stop.request_stop();
  EXPECT_EQ(VerifySegment(volume, TSegment::One, written.Slot, {}, stop.get_token(), SmallTransfer)
                .Result,
            TVerifyResult::Stopped);
}

TEST(DescribeVerifyFailure, NamesTheVolumeTheSegmentTheSectorAndTheError) {
  EXPECT_EQ(DescribeVerifyFailure("/dev/sdb1", TSegment::Two,
                                  {TVerifyResult::Differs, {}, 839700 * 512ull}),
            "/dev/sdb1: verifying segment 2: the card differs from the file's image at sector "
            "839700");
  EXPECT_EQ(DescribeVerifyFailure("/dev/sdb1", TSegment::One,
                                  {TVerifyResult::CardReadFailed,
                                   std::make_error_code(std::errc::io_error), 8192 * 512ull}),
            "/dev/sdb1: verifying segment 1: reading the card at sector 8192: " +
                std::make_error_code(std::errc::io_error).message());
}

}  // namespace
}  // namespace vorlane
