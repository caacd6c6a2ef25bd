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
  bool ExpectNotWavMessage;
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
      {"size field wraps to 0", Header("RIFF", 0xFFFFFFF8u, "WAVE"), 0, false},
      {"size field wraps past 0", Header("RIFF", 0xFFFFFFFFu, "WAVE"), 7, false},
      {"lower-case tag", Header("RIFF", 36, "wave"), 0, true},
      {"other tag", Header("RIFF", 36, "AVI "), 0, true},
      {"11 bytes cannot hold the tag", {'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V'}, 0, true},
      {"empty file", {}, 0, true},
  };
  TTempFolder folder;
  for (const THeaderCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<std::string> messages;
    const std::uint32_t length = CheckWavHeader(
        folder.Write("case.wav", c.Bytes), [&](const std::string& m) { messages.push_back(m); });
    EXPECT_EQ(length, c.ExpectedLength);
    EXPECT_EQ(messages, c.ExpectNotWavMessage ? std::vector<std::string>{NotWavMessage}
                                              : std::vector<std::string>{});
  }
}

TEST(CheckWavHeader, MissingFileRaisesTheOpenErrorWithThePathAndSystemText) {
  TTempFolder folder;
  const std::string path = (folder.Path() / "gone.wav").string();
  bool messageShown = false;
  try {
    CheckWavHeader(path, [&](const std::string&) { messageShown = true; });
    FAIL() << "no error raised";
  } catch (const TFileOpenError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot open file \"" + path + "\". " + testing::MissingFileText());
  }
  EXPECT_FALSE(messageShown);
}

TEST(SegmentLimit, LimitItselfIsWritableOneByteMoreAndZeroAreNot) {
  EXPECT_TRUE(IsWritableLength(MaxDeclaredLength));
  EXPECT_TRUE(IsWritableLength(1));
  EXPECT_FALSE(IsWritableLength(MaxDeclaredLength + 1));
  EXPECT_FALSE(IsWritableLength(0));
}

TEST(ReadWavSector, GivesFileBytesPaddedWith0x80AndPurePaddingPastTheEnd) {
  TTempFolder folder;
  const std::vector<std::uint8_t> bytes = MakeWavBytes(1000, 1000);
  const std::string path = folder.Write("seg.wav", bytes);
  TSector sector{};

  ASSERT_TRUE(ReadWavSector(path, 0, sector));
  EXPECT_TRUE(std::equal(sector.begin(), sector.end(), bytes.begin()));

  ASSERT_TRUE(ReadWavSector(path, 512, sector));
  EXPECT_TRUE(std::equal(sector.begin(), sector.begin() + 488, bytes.begin() + 512));
  EXPECT_TRUE(std::all_of(sector.begin() + 488, sector.end(), [](auto b) { return b == PadByte; }));

  for (std::uint64_t offset : {1024ull, 4096ull * 1024}) {
    sector.fill(0);
    ASSERT_TRUE(ReadWavSector(path, offset, sector));
    EXPECT_TRUE(std::all_of(sector.begin(), sector.end(), [](auto b) { return b == PadByte; }));
  }
}

TEST(ReadWavSector, FileThatVanishedIsAFailureNotAPaddingSector) {
  TTempFolder folder;
  TSector sector{};
  EXPECT_FALSE(ReadWavSector((folder.Path() / "gone.wav").string(), 0, sector));
}

TEST(CardLayout, SectorCountRoundsUpToWholeSectors) {
  const std::pair<std::uint32_t, std::uint32_t> cases[] = {
      {1, 1},    {44, 1},   {511, 1},
      {512, 1},  {513, 2},  {1000, 2},
      {1024, 2}, {1025, 3}, {MaxDeclaredLength, 819200}};
  for (const auto& [length, count] : cases) EXPECT_EQ(SectorCountFor(length), count) << length;
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
  const std::uint32_t lastImageSector = StartSectorFor(1) + SectorCountFor(MaxDeclaredLength);
  EXPECT_LT(lastImageSector, StartSectorFor(2));
  EXPECT_EQ(std::uint64_t{StartSectorFor(1)} * SectorSize, 0x400000u);
  EXPECT_EQ(std::uint64_t{StartSectorFor(2)} * SectorSize, 0x19A00000u);
}

}  // namespace
}  // namespace vorlane
