#include <algorithm>

#include "drives/FileAccess.h"
#include "drives/WideText.h"
#include "drives/windows/HandleWindows.h"
#include "drives/windows/WindowsError.h"

namespace vorlane {
namespace {

TFileRead Failure(TFileRead::TStatus status, std::error_code error) {
  TFileRead result;
  result.Status = status;
  result.Error = error;
  return result;
}

// A file on a disk, not a folder: pipes, consoles and "NUL" report other types, and a read
// from a pipe would wait for a writer that may never come. (A folder cannot be opened this way
// at all: its open fails with the system's "access denied".) The basic information alone: the
// full record also asks the volume for its serial number, which under wine is a round trip to
// its mount manager for each of the job's reads.
bool IsRegularFile(HANDLE file) {
  FILE_BASIC_INFO information;
  return GetFileType(file) == FILE_TYPE_DISK &&
         GetFileInformationByHandleEx(file, FileBasicInfo, &information, sizeof information) &&
         !(information.FileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

TFileRead ReadFileAt(const std::string& path, std::uint64_t offset, std::span<std::uint8_t> data,
                     TFileSharing sharing) {
  TKernel32& calls = SystemKernel32();
  // Alone (share mode 0): the open fails while another program holds the file, and nobody else
  // can open it while we read. With readers, other jobs read the same recording at once, while
  // an editor still cannot open it for writing, so it cannot change under a transfer's read.
  const DWORD shareMode = sharing == TFileSharing::WithReaders ? FILE_SHARE_READ : 0;
  const TOwnedHandle file = OpenExisting(calls, path, GENERIC_READ, shareMode, 0);
  if (!file) return Failure(TFileRead::TStatus::OpenFailed, LastWindowsError());
  if (!IsRegularFile(file.get())) return Failure(TFileRead::TStatus::NotRegular, {});
  const TTransferred read = ReadUntilFullOrEnd(calls, file.get(), offset, data);
  if (read.Error) return Failure(TFileRead::TStatus::ReadFailed, read.Error);
  TFileRead result;
  result.Count = read.Count;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file.get(), &size))
    result.FileBytes = static_cast<std::uint64_t>(size.QuadPart);
  return result;
}

std::error_code AppendDurably(const std::string& path, std::string_view text) {
  // FILE_APPEND_DATA alone: every write lands at the end, whoever else appends.
  const HANDLE file = CreateFileW(Utf8ToWide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastWindowsError();
  std::error_code error;
  for (std::size_t done = 0; done < text.size() && !error;) {
    DWORD put = 0;
    const DWORD asked = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 20));
    if (WriteFile(file, text.data() + done, asked, &put, nullptr))
      done += put;
    else
      error = LastWindowsError();
  }
  if (!error && !FlushFileBuffers(file)) error = LastWindowsError();
  CloseHandle(file);
  return error;
}

}  // namespace vorlane
