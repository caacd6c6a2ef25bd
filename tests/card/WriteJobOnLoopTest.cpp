// The job end to end on a real block device: the bytes must arrive on the storage behind it.
#include <gtest/gtest.h>

#include <fstream>

#include "card/TReadWrite.h"
#include "tests/card/FakeVolume.h"
#include "tests/card/WavFiles.h"
#include "tests/support/LoopDevice.h"

namespace vorlane {
namespace {

class TSilentRealPlatform final : public TPlatform {
 public:
  std::unique_ptr<TVolume> OpenVolume(const std::string& path) override {
    return vorlane::OpenVolume(path);
  }
  void Beep(unsigned, unsigned) override {}
  void Sleep(unsigned) override {}
};

std::vector<std::uint8_t> ReadSectors(const std::filesystem::path& image, std::uint64_t sector,
                                      std::size_t count) {
  std::vector<std::uint8_t> bytes(count * SectorSize);
  std::ifstream file(image, std::ios::binary);
  file.seekg(static_cast<std::streamoff>(sector * SectorSize));
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

TEST(WriteJobOnLoopDevice, BothSegmentsLandByteExactAndTheirNeighboursStayUntouched) {
  auto loop = testing::TLoopDevice::Attach(std::uint64_t{420} << 20);
  if (!loop) GTEST_SKIP() << "needs root and loop devices";
  testing::TTempFolder folder;
  testing::TFakeCard unused;
  testing::TRecorder window(unused);
  TSilentRealPlatform platform;
  TSector buf{};

  const auto first = testing::MakeWavBytes(1 << 20 | 300, 1 << 20 | 300);
  const auto second = testing::MakeWavBytes(5000, 5000);
  for (const auto& [mode, bytes] : {std::pair{1, &first}, std::pair{2, &second}}) {
    TReadWriteThread job(
        {loop->KernelName(),
         mode,
         {folder.Write("s.wav", *bytes), static_cast<std::uint32_t>(bytes->size()), true}},
        window, platform, buf);
    job.WaitFor();
    ASSERT_EQ(job.ErrorText(), "");
  }

  const auto pattern = MakeTestPattern();
  EXPECT_EQ(ReadSectors(loop->BackingFile(), TestSector, 1),
            std::vector<std::uint8_t>(pattern.begin(), pattern.end()));
  EXPECT_EQ(ReadSectors(loop->BackingFile(), TestSector + 1, 1), std::vector<std::uint8_t>(512));
  for (const auto& [start, bytes] :
       {std::pair{Segment1StartSector, &first}, std::pair{Segment2StartSector, &second}}) {
    const std::size_t imageSectors = SectorCountFor(static_cast<std::uint32_t>(bytes->size())) + 1;
    auto expected = *bytes;
    expected.resize(imageSectors * SectorSize, PadByte);
    EXPECT_EQ(ReadSectors(loop->BackingFile(), start, imageSectors), expected);
    EXPECT_EQ(ReadSectors(loop->BackingFile(), start - 1, 1), std::vector<std::uint8_t>(512));
    EXPECT_EQ(ReadSectors(loop->BackingFile(), start + imageSectors, 1),
              std::vector<std::uint8_t>(512));
  }
  EXPECT_EQ(window.Log().back(), "enable 4");
}

}  // namespace
}  // namespace vorlane
