// The job end to end through the Windows services: the drive list from GetDriveTypeA, the volume
// "\\.\E:" from CreateFileA, the real beep and sleep. Writing to a real drive E: would overwrite
// a card, so it runs only when VORLANE_DRIVE_E_IMAGE names the card image that E: stands for, as
// in the wine prefix scripts/test-windows.sh sets up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "card/TReadWrite.h"
#include "drives/RemovableDrives.h"
#include "tests/card/FakeVolume.h"
#include "tests/card/WavFiles.h"

namespace vorlane {
namespace {

std::vector<std::uint8_t> ReadSectors(const std::string& image, std::uint64_t sector,
                                      std::size_t count) {
  std::vector<std::uint8_t> bytes(count * SectorSize);
  std::ifstream file(image, std::ios::binary);
  file.seekg(static_cast<std::streamoff>(sector * SectorSize));
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

TEST(WriteJobOnDriveE, BothSegmentsLandOnTheCardBehindTheRemovableDrive) {
  const char* image = std::getenv("VORLANE_DRIVE_E_IMAGE");
  if (!image) GTEST_SKIP() << "needs VORLANE_DRIVE_E_IMAGE: the card image behind drive E:";
  const std::vector<std::string> drives = GetRemovableDrives();
  ASSERT_NE(std::ranges::find(drives, "E:"), drives.end())
      << "removable drives: " << ::testing::PrintToString(drives);

  testing::TTempFolder folder;
  testing::TFakeCard unused;
  testing::TRecorder window(unused);
  TSector buf{};
  const auto first = testing::MakeWavBytes(1 << 20 | 300, 1 << 20 | 300);
  const auto second = testing::MakeWavBytes(5000, 5000);
  for (const auto& [mode, bytes] : {std::pair{1, &first}, std::pair{2, &second}}) {
    TReadWriteThread job(
        {"E:",
         mode,
         {folder.Write("s.wav", *bytes), static_cast<std::uint32_t>(bytes->size()), true}},
        window, SystemPlatform(), buf);
    job.WaitFor();
    ASSERT_EQ(job.ErrorText(), "");
    EXPECT_EQ(window.Log().back(), "enable 4");
  }

  const auto pattern = MakeTestPattern();
  EXPECT_EQ(ReadSectors(image, TestSector, 1),
            std::vector<std::uint8_t>(pattern.begin(), pattern.end()));
  EXPECT_EQ(ReadSectors(image, TestSector + 1, 1), std::vector<std::uint8_t>(512));
  for (const auto& [start, bytes] :
       {std::pair{Segment1StartSector, &first}, std::pair{Segment2StartSector, &second}}) {
    const std::size_t imageSectors = SectorCountFor(static_cast<std::uint32_t>(bytes->size())) + 1;
    auto expected = *bytes;
    expected.resize(imageSectors * SectorSize, PadByte);
    EXPECT_EQ(ReadSectors(image, start, imageSectors), expected);
    EXPECT_EQ(ReadSectors(image, start + imageSectors, 1), std::vector<std::uint8_t>(512));
  }
  const auto log = window.Log();
  EXPECT_EQ(std::ranges::count(log, "text 1 已成功写入SD卡!"), 1);
  EXPECT_EQ(std::ranges::count(log, "text 2 已成功写入SD卡!"), 1);
}

}  // namespace
}  // namespace vorlane
