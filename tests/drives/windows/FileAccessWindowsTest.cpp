// WAV files are read through unshared handles that live for one call only.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "drives/FileAccess.h"

namespace vorlane {
namespace {

class WavOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[MAX_PATH] = {};
    const std::string folder = std::filesystem::temp_directory_path().string();
    ASSERT_NE(GetTempFileNameA(folder.c_str(), "wav", 0, name), 0u);
    Path = name;  // GetTempFileNameA has created it, empty
  }
  void TearDown() override { std::filesystem::remove(Path); }

  HANDLE OpenAsAnotherProgram(DWORD access, DWORD shareMode) const {
    return CreateFileA(Path.c_str(), access, shareMode, nullptr, OPEN_EXISTING, 0, nullptr);
  }

  std::string Path;
};

// A player or editor reading the recording while we check it: the open is refused, with the
// system's reason, rather than reading a file that may be changing.
TEST_F(WavOnDisk, FileHeldOpenElsewhereCannotBeReadAndItsReasonIsGiven) {
  HANDLE other = OpenAsAnotherProgram(GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  std::vector<std::uint8_t> data(16);
  const TFileRead read = ReadFileAt(Path, 0, data);
  CloseHandle(other);
  EXPECT_EQ(read.Status, TFileRead::TStatus::OpenFailed);
  EXPECT_EQ(read.Count, 0u);
  EXPECT_FALSE(read.ErrorText.empty());

  EXPECT_EQ(ReadFileAt(Path, 0, data).Status, TFileRead::TStatus::Ok) << "free again once closed";
}

TEST_F(WavOnDisk, NoHandleOutlivesTheRead) {
  std::vector<std::uint8_t> data(16);
  ASSERT_EQ(ReadFileAt(Path, 0, data).Status, TFileRead::TStatus::Ok);
  HANDLE exclusive = OpenAsAnotherProgram(GENERIC_READ | GENERIC_WRITE, 0);
  EXPECT_NE(exclusive, INVALID_HANDLE_VALUE);
  if (exclusive != INVALID_HANDLE_VALUE) CloseHandle(exclusive);
}

}  // namespace
}  // namespace vorlane
