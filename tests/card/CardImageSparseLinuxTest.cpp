#include <sys/stat.h>

#include <gtest/gtest.h>

#include "card/CardImage.h"
#include "tests/card/WavFiles.h"

namespace vorlane {
namespace {

// A card image for segment 2 reaches past 410 MiB; made sparse, it takes next to no disk.
TEST(PrepareCardImage, MakesTheNewImageSparse) {
  testing::TTempFolder folder;
  const std::filesystem::path image = folder.Path() / "card.img";
  ASSERT_FALSE(PrepareCardImage(image, SegmentImageEnd(TSegment::Two, MaxDeclaredLength)));
  struct stat info {};
  ASSERT_EQ(stat(image.c_str(), &info), 0);
  EXPECT_EQ(info.st_size, 849347072);
  EXPECT_LT(info.st_blocks * 512, 1 << 20);
}

}  // namespace
}  // namespace vorlane
