// The job end to end on a real block device: the bytes must arrive on the storage behind it.
#include <gtest/gtest.h>

#include "tests/card/BothSegments.h"
#include "tests/support/LoopDevice.h"

namespace vorlane {
namespace {

TEST(WriteJobOnLoopDevice, BothSegmentsLandByteExactAndTheirNeighboursStayUntouched) {
  auto loop = testing::TLoopDevice::Attach(std::uint64_t{420} << 20);
  if (!loop) GTEST_SKIP() << "needs root and loop devices";
  testing::WriteBothSegmentsAndCheckImage(loop->KernelName(), SystemPlatform(),
                                          loop->BackingFile());
}

}  // namespace
}  // namespace vorlane
