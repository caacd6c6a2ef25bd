// Volumes on card image files: the same CreateFileA path that "\\.\E:" takes, written unlocked
// because a plain file has no file system of its own to take off.
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
#include "drives/windows/WindowsError.h"
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

// Each refusal carries the system's reason, for the log.
TEST(OpenVolume, RefusesPathsThatNameNoCardVolume) {
  const std::filesystem::path missing = std::filesystem::temp_directory_path() / "vorlane-none.img";
  const TVolumeOpening none = OpenVolume(missing.string());
  EXPECT_EQ(none.Volume, nullptr);
  EXPECT_EQ(none.Error, WindowsError(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(std::filesystem::exists(missing)) << "opening must not create the file";
  for (const std::string& path :
       {std::filesystem::temp_directory_path().string(), VolumePathFor(""), std::string("NUL")}) {
    const TVolumeOpening opening = OpenVolume(path);
    EXPECT_EQ(opening.Volume, nullptr) << path << ": a folder, no drive, a character device";
    EXPECT_TRUE(opening.Error) << path;
  }
}

TEST_F(CardImage, AlignedAndUnalignedBuffersLandAtTheirSectorsAndReadBack) {
  auto volume = OpenVolume(Image.string()).Volume;
  ASSERT_NE(volume, nullptr);
  auto aligned = std::make_unique<TPageAlignedSectors>();
  FillSectors(aligned->Bytes, 7);
  std::vector<std::uint8_t> unalignedStore(3 * 512 + 1);
  const std::span<std::uint8_t> unaligned(unalignedStore.data() + 1, 3 * 512);
  FillSectors(unaligned, 99);

  ASSERT_FALSE(volume->Write(8188 * 512, unaligned));
  ASSERT_FALSE(volume->Write(8192 * 512, aligned->Bytes));
  ASSERT_FALSE(volume->Sync());

  TPageAlignedSectors alignedBack;
  ASSERT_FALSE(volume->Read(8188 * 512, std::span(alignedBack.Bytes).first(unaligned.size())));
  EXPECT_TRUE(std::equal(unaligned.begin(), unaligned.end(), alignedBack.Bytes.begin()));
  std::vector<std::uint8_t> unalignedBack(aligned->Bytes.size() + 1);
  ASSERT_FALSE(volume->Read(8192 * 512, std::span(unalignedBack).subspan(1)));
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
  auto volume = OpenVolume(Image.string()).Volume;
  ASSERT_NE(volume, nullptr);
  TPageAlignedSectors back;
  EXPECT_EQ(volume->Read(ImageSize, std::span(back.Bytes).first(512)), EndOfVolumeError());
  EXPECT_EQ(volume->Read(ImageSize - 512, std::span(back.Bytes).first(1024)), EndOfVolumeError())
      << "a partial read must fail too";
}

// A card image is not locked: it stays open to other programs while the job writes
// (FILE_SHARE_READ | FILE_SHARE_WRITE), and each side sees what the other wrote. GENERIC_ALL holds
// DELETE access, so the other program must share deletion.
TEST_F(CardImage, OtherProgramsCanReadAndWriteTheImageWhileItIsOpen) {
  auto volume = OpenVolume(Image.string()).Volume;
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

  ASSERT_FALSE(volume->Write(0, std::span(ours.Bytes).first(512)));
  ASSERT_FALSE(volume->Sync());
  std::array<std::uint8_t, 512> seenByOther{};
  EXPECT_TRUE(ReadFile(other, seenByOther.data(), 512, &moved, nullptr));
  EXPECT_TRUE(std::equal(seenByOther.begin(), seenByOther.end(), ours.Bytes.begin()));

  EXPECT_TRUE(WriteFile(other, theirs.data(), 512, &moved, nullptr));
  EXPECT_TRUE(FlushFileBuffers(other));
  CloseHandle(other);
  TPageAlignedSectors back;
  ASSERT_FALSE(volume->Read(512, std::span(back.Bytes).first(512)));
  EXPECT_TRUE(std::equal(theirs.begin(), theirs.end(), back.Bytes.begin()));
}

}  // namespace
}  // namespace vorlane
