#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

namespace vorlane {

struct TFileRead {
  enum class TStatus {
    Ok,
    OpenFailed,
    NotRegular,  // a pipe, device node or folder: never read, as a pipe could block for good
    ReadFailed
  };
  TStatus Status = TStatus::Ok;
  std::size_t Count = 0;        // bytes read; fewer than asked only at the end of the file
  std::error_code Error;        // the system's error for OpenFailed and ReadFailed
  std::uint64_t FileBytes = 0;  // the file's size as it was opened, where it was read
};

// Who else may have the file open while it is read, where the OS enforces it (Windows).
enum class TFileSharing {
  Alone,        // nobody: the open fails while another handle is open, and blocks others
  WithReaders,  // other readers, but no writer: several cards are written from one file at once
};

// Opens a regular file for reading only, reads up to data.size() bytes from offset, and closes
// it again: no handle outlives the call. Never waits on a file that is not a regular file.
TFileRead ReadFileAt(const std::string& path, std::uint64_t offset, std::span<std::uint8_t> data,
                     TFileSharing sharing = TFileSharing::Alone);

// Appends text to the file, creating it when missing, and returns only once the system has
// put it on the disk itself (fsync, FlushFileBuffers): a record appended survives a power cut.
std::error_code AppendDurably(const std::string& path, std::string_view text);

}  // namespace vorlane
