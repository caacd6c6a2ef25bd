// The job end to end on a real block device: the bytes must arrive on the storage behind it.
#include <gtest/gtest.h>

#include "tests/card/BothSegments.h"
#include "tests/support/LoopDevice.h"

namespace vorlane {
namespace {

// Real volumes; no tones.
class TSilentRealPlatform final : public TPlatform {
 public:
  TVolumeOpening OpenVolume(const std::string& path) override { return vorlane::OpenVolume(path); }
  void Beep(unsigned, unsigned) override {}
  void Sleep(unsigned) override {}
};

TEST(WriteJobOnLoopDevice, BothSegmentsLandByteExactAndTheirNeighboursStayUntouched) {
  auto loop = testing::TLoopDevice::Attach(std::uint64_t{420} << 20);
  if (!loop) GTEST_SKIP() << "needs root and loop devices";
  TSilentRealPlatform platform;
  testing::WriteBothSegmentsAndCheckImage(loop->KernelName(), platform, loop->BackingFile());
}

}  // namespace
}  // namespace vorlane
