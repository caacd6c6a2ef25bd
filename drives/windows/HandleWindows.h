// Kernel32 file handles as the Windows backend uses them: owned, opened only where something
// exists, and moved through in whole transfers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace vorlane {

struct THandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};

// Empty when the open failed: INVALID_HANDLE_VALUE never escapes CreateFileA's caller.
using TOwnedHandle = std::unique_ptr<void, THandleCloser>;

// CreateFileA with OPEN_EXISTING, no security attributes and no template: a missing file or
// drive fails (GetLastError tells why) and never becomes a new file.
TOwnedHandle OpenExisting(const std::string& path, DWORD access, DWORD shareMode, DWORD flags);

bool SeekTo(HANDLE handle, std::uint64_t byteOffset);

// Reads from the file pointer until data is full or the end is reached and returns the count
// read; nothing when a read fails, with GetLastError still telling why.
std::optional<std::size_t> ReadUntilFullOrEnd(HANDLE handle, std::span<std::uint8_t> data);

// Writes every byte from the file pointer on; false when a write fails or stops moving.
bool WriteAll(HANDLE handle, std::span<const std::uint8_t> data);

}  // namespace vorlane
