#include "tests/card/BothSegments.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "card/TReadWrite.h"
#include "tests/card/FakeVolume.h"
#include "tests/card/WavFiles.h"
#include "tests/support/FileBytes.h"

namespace vorlane::testing {
namespace {

std::vector<std::uint8_t> ReadSectors(const std::filesystem::path& image, std::uint64_t sector,
                                      std::size_t count) {
  return ReadFileRange(image, sector * SectorSize, count * SectorSize);
}

}  // namespace

void WriteBothSegmentsAndCheckImage(const std::string& driveEntry, TPlatform& platform,
                                    const std::filesystem::path& image) {
  TTempFolder folder;
  TFakeCard unused;
  TRecorder window(unused);
  TSector buf{};
  const auto first = MakeWavBytes(1 << 20 | 300, 1 << 20 | 300);
  const auto second = MakeWavBytes(5000, 5000);
  for (const auto& [mode, bytes] : {std::pair{1, &first}, std::pair{2, &second}}) {
    TReadWriteThread job(
        {driveEntry,
         mode,
         {folder.Write("s.wav", *bytes), static_cast<std::uint32_t>(bytes->size()), true}},
        window, platform, buf);
    job.WaitFor();
    ASSERT_EQ(job.ErrorText(), "");
  }
  const auto log = window.Log();
  EXPECT_EQ(std::ranges::count(log, "text 1 已成功写入SD卡!"), 1);
  EXPECT_EQ(std::ranges::count(log, "text 2 已成功写入SD卡!"), 1);

  const auto pattern = MakeTestPattern();
  EXPECT_EQ(ReadSectors(image, TestSector, 1),
            std::vector<std::uint8_t>(pattern.begin(), pattern.end()));
  EXPECT_EQ(ReadSectors(image, TestSector + 1, 1), std::vector<std::uint8_t>(SectorSize));
  for (const auto& [start, bytes] :
       {std::pair{Segment1StartSector, &first}, std::pair{Segment2StartSector, &second}}) {
    const std::size_t imageSectors = SectorCountFor(static_cast<std::uint32_t>(bytes->size())) + 1;
    auto expected = *bytes;
    expected.resize(imageSectors * SectorSize, PadByte);
    EXPECT_EQ(ReadSectors(image, start, imageSectors), expected);
    EXPECT_EQ(ReadSectors(image, start - 1, 1), std::vector<std::uint8_t>(SectorSize));
    EXPECT_EQ(ReadSectors(image, start + imageSectors, 1), std::vector<std::uint8_t>(SectorSize));
  }
}

}  // namespace vorlane::testing
