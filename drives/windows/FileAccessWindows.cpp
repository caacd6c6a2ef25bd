#include "drives/FileAccess.h"
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
// at all: its open fails with the system's "access denied".)
bool IsRegularFile(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION information;
  return GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &information) &&
         !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
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
  return result;
}

}  // namespace vorlane
