// WAV files are read through handles that live for one call only, shared as the caller asks,
// and only when they are regular files.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "drives/FileAccess.h"
#include "drives/windows/WindowsError.h"

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
  EXPECT_EQ(read.Error, WindowsError(ERROR_SHARING_VIOLATION));

  EXPECT_EQ(ReadFileAt(Path, 0, data).Status, TFileRead::TStatus::Ok) << "free again once closed";
}

// Which other handle a read can stand beside. The check reads alone; the job's transfers share
// the file with other readers (other cards written from it at once) but never with a writer.
struct TShareCase {
  const char* Name;
  TFileSharing Sharing;
  DWORD OtherAccess;
  DWORD OtherShareMode;
  bool Opens;
};

class WavSharedWith : public WavOnDisk, public ::testing::WithParamInterface<TShareCase> {};

TEST_P(WavSharedWith, ReadOpensOnlyBesideTheHandlesItsSharingAllows) {
  const TShareCase& share = GetParam();
  HANDLE other = OpenAsAnotherProgram(share.OtherAccess, share.OtherShareMode);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  std::vector<std::uint8_t> data(16);
  const TFileRead read = ReadFileAt(Path, 0, data, share.Sharing);
  CloseHandle(other);
  if (share.Opens) {
    EXPECT_EQ(read.Status, TFileRead::TStatus::Ok);
  } else {
    EXPECT_EQ(read.Status, TFileRead::TStatus::OpenFailed);
    EXPECT_EQ(read.Error, WindowsError(ERROR_SHARING_VIOLATION));
  }
}

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;
INSTANTIATE_TEST_SUITE_P(
    Sharing, WavSharedWith,
    ::testing::Values(
        TShareCase{"AloneBesideAReader", TFileSharing::Alone, GENERIC_READ, ShareAll, false},
        TShareCase{"WithReadersBesideAnotherJobsRead", TFileSharing::WithReaders, GENERIC_READ,
                   FILE_SHARE_READ, true},
        TShareCase{"WithReadersBesideAPlayer", TFileSharing::WithReaders, GENERIC_READ, ShareAll,
                   true},
        TShareCase{"WithReadersBesideAWriter", TFileSharing::WithReaders, GENERIC_WRITE, ShareAll,
                   false},
        TShareCase{"WithReadersBesideTheCheck", TFileSharing::WithReaders, GENERIC_READ, 0, false}),
    [](const ::testing::TestParamInfo<TShareCase>& row) { return std::string(row.param.Name); });

TEST_F(WavOnDisk, NoHandleOutlivesTheRead) {
  std::vector<std::uint8_t> data(16);
  ASSERT_EQ(ReadFileAt(Path, 0, data).Status, TFileRead::TStatus::Ok);
  HANDLE exclusive = OpenAsAnotherProgram(GENERIC_READ | GENERIC_WRITE, 0);
  EXPECT_NE(exclusive, INVALID_HANDLE_VALUE);
  if (exclusive != INVALID_HANDLE_VALUE) CloseHandle(exclusive);
}

// The job reads a whole transfer (about 1 MiB) at a time; the last one ends with the file.
TEST_F(WavOnDisk, TransferSizedReadsReturnTheBytesAtTheirOffsetAndStopAtTheEnd) {
  constexpr std::size_t MiB = 1 << 20;
  std::vector<std::uint8_t> bytes(3 * MiB + 100);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 4096);
  std::ofstream(Path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));

  std::vector<std::uint8_t> transfer(MiB);
  const TFileRead middle = ReadFileAt(Path, MiB + 512, transfer);
  ASSERT_EQ(middle.Status, TFileRead::TStatus::Ok);
  EXPECT_EQ(middle.Count, MiB);
  EXPECT_TRUE(std::equal(transfer.begin(), transfer.end(), bytes.begin() + MiB + 512));

  const TFileRead last = ReadFileAt(Path, 3 * MiB, transfer);
  ASSERT_EQ(last.Status, TFileRead::TStatus::Ok);
  EXPECT_EQ(last.Count, 100u);
  EXPECT_TRUE(std::equal(transfer.begin(), transfer.begin() + 100, bytes.begin() + 3 * MiB));
}

TEST(ReadFileAt, AMissingFileGivesTheSystemsErrorInItsOwnWords) {
  std::vector<std::uint8_t> data(16);
  const auto missing = std::filesystem::temp_directory_path() / "vorlane-no-such.wav";
  const TFileRead read = ReadFileAt(missing.string(), 0, data);
  EXPECT_EQ(read.Status, TFileRead::TStatus::OpenFailed);
  EXPECT_EQ(read.Error.value(), 2) << "ERROR_FILE_NOT_FOUND";
  EXPECT_EQ(read.Error, WindowsError(ERROR_FILE_NOT_FOUND));
}

// A pipe would hold the read until its writer writes; "NUL" is a device. Neither is read, so
// the pipe's waiting writer never gets rid of its bytes.
TEST(ReadFileAt, WhatIsNoRegularFileIsNeverRead) {
  std::vector<std::uint8_t> data(16);
  const TFileRead device = ReadFileAt("NUL", 0, data);
  EXPECT_EQ(device.Status, TFileRead::TStatus::NotRegular);
  EXPECT_EQ(device.Count, 0u);

  const char* pipeName = "\\\\.\\pipe\\vorlane-not-a-wav";
  HANDLE pipe = CreateNamedPipeA(pipeName, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                 4096, 4096, 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE) << GetLastError();
  std::thread writer([pipe, &data] {
    if (ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED) {
      DWORD written = 0;
      WriteFile(pipe, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    }
  });
  const TFileRead fromPipe = ReadFileAt(pipeName, 0, data);
  // Should the read not have opened the pipe, the writer still waits for a reader: be it.
  HANDLE reader = CreateFileA(pipeName, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
  writer.join();
  CloseHandle(pipe);
  EXPECT_EQ(fromPipe.Status, TFileRead::TStatus::NotRegular);
  EXPECT_EQ(fromPipe.Count, 0u);
}

}  // namespace
}  // namespace vorlane
