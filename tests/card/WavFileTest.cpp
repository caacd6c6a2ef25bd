#include "card/WavFile.h"

#include <gtest/gtest.h>

#include "card/CardLayout.h"
#include "tests/card/WavFiles.h"

namespace vorlane {
namespace {

using testing::MakeWavBytes;
using testing::TTempFolder;

struct THeaderCase {
  const char* Name;
  std::vector<std::uint8_t> Bytes;
  std::uint32_t ExpectedLength;
  bool ExpectNotWav;
};

std::vector<std::uint8_t> Header(const char* riff, std::uint32_t sizeField, const char* tag) {
  std::vector<std::uint8_t> bytes(riff, riff + 4);
  for (int shift = 0; shift < 32; shift += 8)
    bytes.push_back(static_cast<std::uint8_t>(sizeField >> shift));
  bytes.insert(bytes.end(), tag, tag + 4);
  return bytes;
}

TEST(CheckWavHeader, DeclaredLengthAndRejectionFollowTheHeaderBytes) {
  const std::vector<THeaderCase> cases = {
      {"minimal 44-byte file", MakeWavBytes(44, 44), 44, false},
      {"size field plus 8", Header("RIFF", 1016, "WAVE"), 1024, false},
      {"bytes 0..3 are not examined", Header("XYZ!", 36, "WAVE"), 44, false},
      {"size field wraps to 0", Header("RIFF", 0xFFFFFFF8u, "WAVE"), 0, true},
      {"streaming placeholder 0xFFFFFFFF wraps to 7", Header("RIFF", 0xFFFFFFFFu, "WAVE"), 0, true},
      {"streaming placeholder 0 declares 8 bytes", Header("RIFF", 0, "WAVE"), 0, true},
      {"43 bytes cannot hold a format and a data chunk", Header("RIFF", 35, "WAVE"), 0, true},
      {"size field at the limit", Header("RIFF", 419430392u, "WAVE"), 419430400u, false},
      {"lower-case tag", Header("RIFF", 36, "wave"), 0, true},
      {"other tag", Header("RIFF", 36, "AVI "), 0, true},
      {"11 bytes cannot hold the tag", {'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V'}, 0, true},
      {"empty file", {}, 0, true},
  };
  TTempFolder folder;
  for (const THeaderCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TWavCheck check = CheckWavHeader(folder.Write("case.wav", c.Bytes));
    EXPECT_EQ(check.DeclaredLength, c.ExpectedLength);
    EXPECT_EQ(check.Problem,
              c.ExpectNotWav ? TWavCheck::TProblem::NotWav : TWavCheck::TProblem::None);
    EXPECT_FALSE(check.Error);
    EXPECT_EQ(DeclaredLengthIn(c.Bytes), c.ExpectedLength) << "the header rule alone";
  }
}

TEST(CheckWavHeader, MissingFileCannotBeOpenedWithTheSystemsReason) {
  TTempFolder folder;
  const TWavCheck check = CheckWavHeader((folder.Path() / "gone.wav").string());
  EXPECT_EQ(check.Problem, TWavCheck::TProblem::CannotOpen);
  EXPECT_EQ(check.Error, std::errc::no_such_file_or_directory);
  EXPECT_EQ(check.DeclaredLength, 0u);
}

TEST(SegmentLimit, LimitItselfIsWritableOneByteMoreAndZeroAreNot) {
  EXPECT_TRUE(IsWritableLength(MaxDeclaredLength));
  EXPECT_TRUE(IsWritableLength(1));
  EXPECT_FALSE(IsWritableLength(MaxDeclaredLength + 1));
  EXPECT_FALSE(IsWritableLength(0));
}

TEST(ReadWavSectors, GivesFileBytesPaddedWith0x80AndPurePaddingPastTheEnd) {
  TTempFolder folder;
  const std::vector<std::uint8_t> bytes = MakeWavBytes(1000, 1000);
  const std::string path = folder.Write("seg.wav", bytes);
  std::vector<std::uint8_t> sectors(3 * 512, 0);

  ASSERT_FALSE(ReadWavSectors(path, 0, sectors));
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), sectors.begin()));
  EXPECT_EQ(sectors[999], bytes[999]);
  EXPECT_TRUE(std::all_of(sectors.begin() + 1000, sectors.end(), [](auto b) { return b == 0x80; }));

  ASSERT_FALSE(ReadWavSectors(path, 512, {sectors.data(), 512}));
  EXPECT_TRUE(std::equal(sectors.begin(), sectors.begin() + 488, bytes.begin() + 512));
  EXPECT_TRUE(std::all_of(sectors.begin() + 488, sectors.begin() + 512,
                          [](auto b) { return b == PadByte; }));

  for (std::uint64_t offset : {1024ull, 4096ull * 1024}) {
    std::fill(sectors.begin(), sectors.end(), 0);
    ASSERT_FALSE(ReadWavSectors(path, offset, sectors));
    EXPECT_TRUE(std::all_of(sectors.begin(), sectors.end(), [](auto b) { return b == PadByte; }));
  }
}

TEST(ReadWavSectors, FileThatVanishedIsAFailureNotPadding) {
  TTempFolder folder;
  std::vector<std::uint8_t> sectors(512);
  EXPECT_EQ(ReadWavSectors((folder.Path() / "gone.wav").string(), 0, sectors),
            std::errc::no_such_file_or_directory);
}

TEST(CardLayout, SectorCountRoundsUpToWholeSectors) {
  const std::pair<std::uint32_t, std::uint32_t> cases[] = {
      {1, 1},    {44, 1},   {511, 1},
      {512, 1},  {513, 2},  {1000, 2},
      {1024, 2}, {1025, 3}, {MaxDeclaredLength, 819200}};
  for (const auto& [length, count] : cases) EXPECT_EQ(SectorCountFor(length), count) << length;
  EXPECT_EQ(ImageBytesFor(44), 1024u) << "the file's sector and one of padding";
  EXPECT_EQ(ImageBytesFor(1024), 1536u);
  EXPECT_EQ(ImageBytesFor(MaxDeclaredLength), 819201ull * 512);
}

TEST(CardLayout, TestPatternCountsFromOneAndWraps) {
  const TSector pattern = MakeTestPattern();
  EXPECT_EQ(pattern[0], 1);
  EXPECT_EQ(pattern[254], 255);
  EXPECT_EQ(pattern[255], 0);
  EXPECT_EQ(pattern[256], 1);
  EXPECT_EQ(pattern[511], 0);
}

TEST(CardLayout, Segment1ImageAtTheLimitEndsBeforeSegment2) {
  const std::uint32_t lastImageSector =
      StartSectorFor(TSegment::One) + SectorCountFor(MaxDeclaredLength);
  EXPECT_LT(lastImageSector, StartSectorFor(TSegment::Two));
  EXPECT_EQ(std::uint64_t{StartSectorFor(TSegment::One)} * SectorSize, 0x400000u);
  EXPECT_EQ(std::uint64_t{StartSectorFor(TSegment::Two)} * SectorSize, 0x19A00000u);
  EXPECT_EQ(TestSector, 8190u);
  EXPECT_EQ(MaxDeclaredLength, 419430400u);
}

}  // namespace
}  // namespace vorlane
