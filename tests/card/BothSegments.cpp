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
  TRecorder observer(unused);
  TSector buf{};
  const auto first = MakeWavBytes(1 << 20 | 300, 1 << 20 | 300);
  const auto second = MakeWavBytes(5000, 5000);
  for (const auto& [mode, bytes] :
       {std::pair{TSegment::One, &first}, std::pair{TSegment::Two, &second}}) {
    TReadWriteThread job(
        {VolumePathFor(driveEntry),
         mode,
         {folder.Write("s.wav", *bytes), static_cast<std::uint32_t>(bytes->size()), true}},
        observer, platform, buf);
    job.WaitFor();
    const TJobOutcome outcome = observer.Outcomes().back();
    ASSERT_EQ(outcome.Result, TJobResult::Succeeded) << outcome.Error.message();
  }
  EXPECT_EQ(observer.Outcomes().size(), 2u);

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
