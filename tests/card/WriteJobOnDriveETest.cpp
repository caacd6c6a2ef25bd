// The job end to end through the Windows services: the drive list from GetDriveTypeA, the volume
// "\\.\E:" from CreateFileA, the real beep and sleep. Writing to a real drive E: would overwrite
// a card, so it runs only when VORLANE_DRIVE_E_IMAGE names the card image that E: stands for, as
// in the wine prefix scripts/test-windows.sh sets up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "drives/RemovableDrives.h"
#include "tests/card/BothSegments.h"

namespace vorlane {
namespace {

TEST(WriteJobOnDriveE, BothSegmentsLandOnTheCardBehindTheRemovableDrive) {
  const char* image = std::getenv("VORLANE_DRIVE_E_IMAGE");
  if (!image) GTEST_SKIP() << "needs VORLANE_DRIVE_E_IMAGE: the card image behind drive E:";
  const std::vector<std::string> drives = GetRemovableDrives();
  ASSERT_NE(std::ranges::find(drives, "E:"), drives.end())
      << "removable drives: " << ::testing::PrintToString(drives);

  testing::WriteBothSegmentsAndCheckImage("E:", SystemPlatform(), image);
}

}  // namespace
}  // namespace vorlane
