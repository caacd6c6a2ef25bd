// Descriptors handed over by the disk service arrive opened with O_DIRECT.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <vector>

#include "drives/linux/VolumeLinux.h"
#include "tests/support/FileBytes.h"
#include "tests/support/LoopDevice.h"

namespace vorlane {
namespace {

// A device with 4096-byte logical sectors is driven buffered, in 512-byte sectors. Direct I/O
// refuses transfers smaller than a logical sector, so a descriptor that kept O_DIRECT would
// fail the test sector: the flag must go.
TEST(AdoptVolumeDescriptor, DirectDescriptorOfA4KiBSectorDeviceTakesSingleSectors) {
  auto loop = testing::TLoopDevice::Attach(16 << 20, 0, 4096);
  if (!loop) GTEST_SKIP() << "needs root and loop devices";
  const int fd = open(loop->Device().c_str(), O_RDWR | O_DIRECT | O_EXCL | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  TVolumeOpening opening = AdoptVolumeDescriptor(fd);
  ASSERT_TRUE(opening.Volume) << opening.Error.message();

  const std::uint64_t at = 8190 * 512;
  std::vector<std::uint8_t> sector(512);
  for (std::size_t i = 0; i < sector.size(); ++i) sector[i] = static_cast<std::uint8_t>(i * 3);
  EXPECT_FALSE(opening.Volume->Write(at, sector));
  EXPECT_FALSE(opening.Volume->Sync());
  std::vector<std::uint8_t> back(512);
  EXPECT_FALSE(opening.Volume->Read(at, back));
  EXPECT_EQ(back, sector);
  opening.Volume.reset();
  EXPECT_EQ(testing::ReadFileRange(loop->BackingFile(), at, 512), sector);
}

}  // namespace
}  // namespace vorlane
