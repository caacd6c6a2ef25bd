// Volumes on card image files: the same CreateFileA path that "\\.\E:" takes.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <vector>

#include "drives/Platform.h"
#include "drives/Volume.h"
#include "tests/support/FileBytes.h"

namespace vorlane {
namespace {

using testing::ReadFileRange;

constexpr std::uint64_t ImageSize = 8 << 20;

void FillSectors(std::span<std::uint8_t> bytes, std::uint8_t seed) {
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(seed + i);
}

// The job hands the volume page-aligned transfers and an unaligned test sector: both must work.
struct alignas(4096) TPageAlignedSectors {
  std::array<std::uint8_t, 16 * 512> Bytes{};
};

class CardImage : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[MAX_PATH] = {};
    const std::string folder = std::filesystem::temp_directory_path().string();
    ASSERT_NE(GetTempFileNameA(folder.c_str(), "vol", 0, name), 0u);
    Image = name;
    std::filesystem::resize_file(Image, ImageSize);
  }
  void TearDown() override { std::filesystem::remove(Image); }
  std::filesystem::path Image;
};

TEST(OpenVolume, RefusesPathsThatNameNoCardVolume) {
  const std::filesystem::path missing = std::filesystem::temp_directory_path() / "vorlane-none.img";
  EXPECT_EQ(OpenVolume(missing.string()), nullptr);
  EXPECT_FALSE(std::filesystem::exists(missing)) << "opening must not create the file";
  EXPECT_EQ(OpenVolume(std::filesystem::temp_directory_path().string()), nullptr)
      << "a folder is no volume";
  EXPECT_EQ(OpenVolume(VolumePathFor("")), nullptr);
  EXPECT_EQ(OpenVolume("NUL"), nullptr) << "a character device is no volume";
}

TEST_F(CardImage, AlignedAndUnalignedBuffersLandAtTheirSectorsAndReadBack) {
  auto volume = OpenVolume(Image.string());
  ASSERT_NE(volume, nullptr);
  auto aligned = std::make_unique<TPageAlignedSectors>();
  FillSectors(aligned->Bytes, 7);
  std::vector<std::uint8_t> unalignedStore(3 * 512 + 1);
  const std::span<std::uint8_t> unaligned(unalignedStore.data() + 1, 3 * 512);
  FillSectors(unaligned, 99);

  ASSERT_TRUE(volume->Write(8188 * 512, unaligned));
  ASSERT_TRUE(volume->Write(8192 * 512, aligned->Bytes));
  ASSERT_TRUE(volume->Sync());

  TPageAlignedSectors alignedBack;
  ASSERT_TRUE(volume->Read(8188 * 512, std::span(alignedBack.Bytes).first(unaligned.size())));
  EXPECT_TRUE(std::equal(unaligned.begin(), unaligned.end(), alignedBack.Bytes.begin()));
  std::vector<std::uint8_t> unalignedBack(aligned->Bytes.size() + 1);
  ASSERT_TRUE(volume->Read(8192 * 512, std::span(unalignedBack).subspan(1)));
  EXPECT_TRUE(std::equal(aligned->Bytes.begin(), aligned->Bytes.end(), unalignedBack.begin() + 1));

  // Sectors 8187 to 8208: a gap, the unaligned three, a gap, the aligned sixteen, a gap.
  volume.reset();
  const auto onImage = ReadFileRange(Image, 8187 * 512, 22 * 512);
  const std::vector<std::uint8_t> zeros(512);
  EXPECT_TRUE(std::equal(zeros.begin(), zeros.end(), onImage.begin()));
  EXPECT_TRUE(std::equal(unaligned.begin(), unaligned.end(), onImage.begin() + 512));
  EXPECT_TRUE(std::equal(zeros.begin(), zeros.end(), onImage.begin() + 4 * 512));
  EXPECT_TRUE(std::equal(aligned->Bytes.begin(), aligned->Bytes.end(), onImage.begin() + 5 * 512));
  EXPECT_TRUE(std::equal(zeros.begin(), zeros.end(), onImage.begin() + 21 * 512));
}

TEST_F(CardImage, ReadReachingPastTheEndOfTheVolumeFails) {
  auto volume = OpenVolume(Image.string());
  ASSERT_NE(volume, nullptr);
  TPageAlignedSectors back;
  EXPECT_FALSE(volume->Read(ImageSize, std::span(back.Bytes).first(512)));
  EXPECT_FALSE(volume->Read(ImageSize - 512, std::span(back.Bytes).first(1024)))
      << "a partial read must fail too";
}

// The card stays open to other programs while the job writes (FILE_SHARE_READ | FILE_SHARE_WRITE),
// and each side sees what the other wrote. GENERIC_ALL holds DELETE access, so the other program
// must share deletion.
TEST_F(CardImage, OtherProgramsCanReadAndWriteTheVolumeWhileItIsOpen) {
  auto volume = OpenVolume(Image.string());
  ASSERT_NE(volume, nullptr);
  HANDLE other = CreateFileA(Image.string().c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE) << GetLastError();
  TPageAlignedSectors ours;
  FillSectors(ours.Bytes, 1);
  std::array<std::uint8_t, 512> theirs;
  FillSectors(theirs, 200);
  DWORD moved = 0;

  ASSERT_TRUE(volume->Write(0, std::span(ours.Bytes).first(512)));
  ASSERT_TRUE(volume->Sync());
  std::array<std::uint8_t, 512> seenByOther{};
  EXPECT_TRUE(ReadFile(other, seenByOther.data(), 512, &moved, nullptr));
  EXPECT_TRUE(std::equal(seenByOther.begin(), seenByOther.end(), ours.Bytes.begin()));

  EXPECT_TRUE(WriteFile(other, theirs.data(), 512, &moved, nullptr));
  EXPECT_TRUE(FlushFileBuffers(other));
  CloseHandle(other);
  TPageAlignedSectors back;
  ASSERT_TRUE(volume->Read(512, std::span(back.Bytes).first(512)));
  EXPECT_TRUE(std::equal(theirs.begin(), theirs.end(), back.Bytes.begin()));
}

}  // namespace
}  // namespace vorlane
