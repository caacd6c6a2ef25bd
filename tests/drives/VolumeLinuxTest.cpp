#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
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

std::unique_ptr<TVolume> Open(const std::string& path) {
  return OpenVolume(path).Volume;
}

TEST(OpenVolume, RefusesPathsThatNameNoCardVolumeWithTheSystemsReason) {
  EXPECT_EQ(OpenVolume("/nonexistent/sdz9").Error, std::errc::no_such_file_or_directory);
  EXPECT_EQ(OpenVolume(VolumePathFor("")).Volume, nullptr) << "a folder is no volume";
  EXPECT_TRUE(OpenVolume(VolumePathFor("")).Error);
  EXPECT_EQ(OpenVolume("/dev/null").Volume, nullptr) << "a character device is no volume";
  EXPECT_TRUE(OpenVolume("/dev/null").Error);
  EXPECT_FALSE(std::filesystem::exists("/nonexistent/sdz9"));
}

// A card that was pulled leaves no node behind: opening its name must not create a file there.
TEST_F(TempImage, MissingNameInAnExistingFolderIsRefusedAndNeverCreated) {
  const std::filesystem::path missing = Image.string() + "-sdz9";
  const TVolumeOpening opening = OpenVolume(missing.string());
  EXPECT_EQ(opening.Volume, nullptr);
  EXPECT_EQ(opening.Error, std::errc::no_such_file_or_directory);
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(TempImage, CardImageTakesWritesAtSectorOffsetsAndReturnsThem) {
  auto volume = Open(Image.string());
  ASSERT_NE(volume, nullptr);
  const auto data = Sectors(3, 7);
  ASSERT_FALSE(volume->Write(4 * 512, data));
  ASSERT_FALSE(volume->Sync());
  std::vector<std::uint8_t> back(data.size());
  ASSERT_FALSE(volume->Read(4 * 512, back));
  EXPECT_EQ(back, data);
  volume.reset();
  EXPECT_EQ(ReadFileRange(Image, 4 * 512, data.size()), data);
  EXPECT_EQ(ReadFileRange(Image, 3 * 512, 512), std::vector<std::uint8_t>(512, 0));
}

TEST_F(TempImage, ReadPastTheEndOfTheVolumeFails) {
  auto volume = Open(Image.string());
  ASSERT_NE(volume, nullptr);
  std::vector<std::uint8_t> back(512);
  EXPECT_EQ(volume->Read(8 << 20, back), EndOfVolumeError());
}

// The test sector only proves the card if its read-back comes from the card. Here the "card"
// changes behind the volume's back after a cached read of the device: the volume must see the
// change, as it would see a card that did not keep what it was given.
//
// Both ways the volume drives a device: O_DIRECT where the logical sector is 512 bytes (every SD
// card), buffered with dropped cache pages where it is not (here 4096).
void ExpectReadBackFromTheDevice(unsigned logicalSectorSize) {
  auto loop = testing::TLoopDevice::Attach(16 << 20, 0, logicalSectorSize);
  if (!loop) GTEST_SKIP() << "needs root and loop devices";
  auto volume = Open(loop->Device());
  ASSERT_NE(volume, nullptr);
  const std::uint64_t at = 8190 * 512;
  const auto pattern = Sectors(logicalSectorSize == 512 ? 1 : 8, 1);
  ASSERT_FALSE(volume->Write(at, pattern));
  ASSERT_FALSE(volume->Sync());
  EXPECT_EQ(ReadFileRange(loop->BackingFile(), at, pattern.size()), pattern)
      << "write stayed in a cache";

  // Fills the device's page cache, and the volume's own if it keeps one.
  EXPECT_EQ(ReadFileRange(loop->Device(), at, pattern.size()), pattern);
  std::vector<std::uint8_t> back(pattern.size());
  ASSERT_FALSE(volume->Read(at, back));
  const auto changed = Sectors(pattern.size() / 512, 99);
  const int backing = open(loop->BackingFile().c_str(), O_WRONLY);
  ASSERT_EQ(pwrite(backing, changed.data(), changed.size(), static_cast<off_t>(at)),
            static_cast<ssize_t>(changed.size()));
  close(backing);

  ASSERT_FALSE(volume->Read(at, back));
  EXPECT_EQ(back, changed);
}

TEST(BlockDeviceVolume, ReadBackComesFromTheCardNotFromACache) {
  ExpectReadBackFromTheDevice(512);
}

TEST(BlockDeviceVolume, BufferedReadBackOf4KiBSectorDeviceComesFromTheDevice) {
  ExpectReadBackFromTheDevice(4096);
}

TEST(BlockDeviceVolume, WritePastTheEndOfTheDeviceFails) {
  auto loop = testing::TLoopDevice::Attach(1 << 20);
  if (!loop) GTEST_SKIP() << "needs root and loop devices";
  auto volume = Open(loop->Device());
  ASSERT_NE(volume, nullptr);
  EXPECT_TRUE(volume->Write(1 << 20, Sectors(1, 0)));
  EXPECT_TRUE(volume->Write((1 << 20) - 512, Sectors(2, 0))) << "a partial write must fail too";
}

// A tmpfs too small for what is written: the loop device's own writes fail when its page cache
// is written back. A buffered write succeeds into the cache, so only Sync can tell, and must.
class FullBackingStore : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root";
    char pattern[] = "/tmp/vorlane-small-XXXXXX";
    Folder = mkdtemp(pattern);
    Mounted = mount("vorlane-small", Folder.c_str(), "tmpfs", 0, "size=2m") == 0;
    if (!Mounted) GTEST_SKIP() << "cannot mount a tmpfs here";
  }
  void TearDown() override {
    if (Mounted && umount2(Folder.c_str(), 0) != 0)
      ADD_FAILURE() << "cannot unmount " << Folder << ": " << std::strerror(errno);
    std::error_code error;
    if (!Folder.empty()) std::filesystem::remove(Folder, error);
  }
  std::filesystem::path Folder;
  bool Mounted = false;
};

TEST_F(FullBackingStore, BufferedDeviceReportsTheFailedSync) {
  {
    auto loop = testing::TLoopDevice::Attach(16 << 20, 0, 4096, Folder.string());
    if (!loop) GTEST_SKIP() << "needs loop devices";
    auto volume = Open(loop->Device());
    ASSERT_NE(volume, nullptr);
    ASSERT_FALSE(volume->Write(0, Sectors(8 * 1024, 3))) << "4 MiB into the page cache";
    EXPECT_TRUE(volume->Sync()) << "2 MiB of room cannot hold 4 MiB";
  }
}

}  // namespace
}  // namespace vorlane
