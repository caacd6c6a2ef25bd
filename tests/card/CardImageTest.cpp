#include "card/CardImage.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/card/WavFiles.h"

namespace vorlane {
namespace {

namespace fs = std::filesystem;
using testing::TTempFolder;

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(SegmentImageEnd, IsTheByteAfterSectorCountPlusOneSectors) {
  EXPECT_EQ(SegmentImageEnd(TSegment::One, 1000), 4195840u);    // sectors 8192..8194
  EXPECT_EQ(SegmentImageEnd(TSegment::One, 1024), 4195840u);    // 2 sectors + 1
  EXPECT_EQ(SegmentImageEnd(TSegment::One, 1025), 4196352u);    // 3 sectors + 1
  EXPECT_EQ(SegmentImageEnd(TSegment::Two, 44), 429917184u);    // sectors 839680..839681
  EXPECT_EQ(SegmentImageEnd(TSegment::Two, MaxDeclaredLength),  // the largest card image
            (839680ull + 819200 + 1) * 512);
}

TEST(PrepareCardImage, CreatesAMissingFileOfTheSizeAsked) {
  TTempFolder folder;
  const fs::path image = folder.Path() / "card.img";
  EXPECT_FALSE(PrepareCardImage(image, 4195840));
  EXPECT_TRUE(fs::is_regular_file(image));
  EXPECT_EQ(fs::file_size(image), 4195840u);
}

TEST(PrepareCardImage, ExtendsAShorterImageAndKeepsItsBytes) {
  TTempFolder folder;
  const std::string image = folder.Write("card.img", {'a', 'b', 'c'});
  EXPECT_FALSE(PrepareCardImage(image, 4096));
  EXPECT_EQ(fs::file_size(image), 4096u);
  EXPECT_EQ(Contents(image).substr(0, 4), std::string("abc\0", 4));
}

TEST(PrepareCardImage, LeavesALargerImageAsItIs) {
  TTempFolder folder;
  const std::string image = folder.Write("card.img", std::vector<std::uint8_t>(8192, 0x5A));
  EXPECT_FALSE(PrepareCardImage(image, 4096));
  EXPECT_EQ(Contents(image), std::string(8192, 0x5A));
}

TEST(PrepareCardImage, RefusesFoldersAndPlacesThatCannotHoldAFile) {
  TTempFolder folder;
  EXPECT_EQ(PrepareCardImage(folder.Path(), 4096), std::errc::invalid_argument);
  const fs::path nowhere = folder.Path() / "missing" / "card.img";
  EXPECT_TRUE(PrepareCardImage(nowhere, 4096));
  EXPECT_FALSE(fs::exists(nowhere));
}

}  // namespace
}  // namespace vorlane
