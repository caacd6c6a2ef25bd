#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "drives/Platform.h"
#include "drives/Volume.h"
#include "tests/support/FileBytes.h"
#include "tests/support/LoopDevice.h"

namespace vorlane {
namespace {

using testing::ReadFileRange;

std::vector<std::uint8_t> Sectors(std::size_t count, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(count * 512);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(seed + i);
  return bytes;
}

class TempImage : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vorlane-image-XXXXXX";
    const int fd = mkstemp(pattern);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 8 << 20), 0);
    close(fd);
    Image = pattern;
  }
  void TearDown() override { std::filesystem::remove(Image); }
  std::filesystem::path Image;
};

TEST(OpenVolume, RefusesPathsThatNameNoCardVolume) {
  EXPECT_EQ(OpenVolume("/nonexistent/sdz9"), nullptr);
  EXPECT_EQ(OpenVolume(VolumePathFor("")), nullptr) << "a folder is no volume";
  EXPECT_EQ(OpenVolume("/dev/null"), nullptr) << "a character device is no volume";
  EXPECT_FALSE(std::filesystem::exists("/nonexistent/sdz9"));
}

TEST_F(TempImage, CardImageTakesWritesAtSectorOffsetsAndReturnsThem) {
  auto volume = OpenVolume(Image.string());
  ASSERT_NE(volume, nullptr);
  const auto data = Sectors(3, 7);
  ASSERT_TRUE(volume->Write(4 * 512, data));
  ASSERT_TRUE(volume->Sync());
  std::vector<std::uint8_t> back(data.size());
  ASSERT_TRUE(volume->Read(4 * 512, back));
  EXPECT_EQ(back, data);
  volume.reset();
  EXPECT_EQ(ReadFileRange(Image, 4 * 512, data.size()), data);
  EXPECT_EQ(ReadFileRange(Image, 3 * 512, 512), std::vector<std::uint8_t>(512, 0));
}

TEST_F(TempImage, ReadPastTheEndOfTheVolumeFails) {
  auto volume = OpenVolume(Image.string());
  ASSERT_NE(volume, nullptr);
  std::vector<std::uint8_t> back(512);
  EXPECT_FALSE(volume->Read(8 << 20, back));
}

// The test sector only proves the card if its read-back comes from the card. Here the "card"
// changes behind the volume's back after a cached read of the device: the volume must see the
// change, as it would see a card that did not keep what it was given.
TEST(BlockDeviceVolume, ReadBackComesFromTheCardNotFromACache) {
  auto loop = testing::TLoopDevice::Attach(16 << 20);
  if (!loop) GTEST_SKIP() << "needs root and loop devices";
  auto volume = OpenVolume(loop->Device());
  ASSERT_NE(volume, nullptr);
  const std::uint64_t at = 8190 * 512;
  const auto pattern = Sectors(1, 1);
  ASSERT_TRUE(volume->Write(at, pattern));
  ASSERT_TRUE(volume->Sync());
  EXPECT_EQ(ReadFileRange(loop->BackingFile(), at, 512), pattern) << "write stayed in a cache";

  EXPECT_EQ(ReadFileRange(loop->Device(), at, 512), pattern);  // fills the device's page cache
  const auto changed = Sectors(1, 99);
  const int backing = open(loop->BackingFile().c_str(), O_WRONLY);
  ASSERT_EQ(pwrite(backing, changed.data(), 512, static_cast<off_t>(at)), 512);
  close(backing);

  std::vector<std::uint8_t> back(512);
  ASSERT_TRUE(volume->Read(at, back));
  EXPECT_EQ(back, changed);
}

TEST(BlockDeviceVolume, WritePastTheEndOfTheDeviceFails) {
  auto loop = testing::TLoopDevice::Attach(1 << 20);
  if (!loop) GTEST_SKIP() << "needs root and loop devices";
  auto volume = OpenVolume(loop->Device());
  ASSERT_NE(volume, nullptr);
  EXPECT_FALSE(volume->Write(1 << 20, Sectors(1, 0)));
  EXPECT_FALSE(volume->Write((1 << 20) - 512, Sectors(2, 0))) << "a partial write must fail too";
}

}  // namespace
}  // namespace vorlane
