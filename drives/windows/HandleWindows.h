// File and volume handles as the Windows backend uses them: owned, opened only where something
// exists, and moved through in whole transfers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <system_error>

#include "drives/windows/Kernel32.h"

namespace vorlane {

// Closes through the calls that opened it.
struct THandleCloser {
  TKernel32* Calls = nullptr;
  void operator()(HANDLE handle) const { Calls->Close(handle); }
};

// Empty when the open failed: INVALID_HANDLE_VALUE never escapes OpenExisting.
using TOwnedHandle = std::unique_ptr<void, THandleCloser>;

// Empty on failure, with GetLastError telling why.
TOwnedHandle OpenExisting(TKernel32& calls, const std::string& path, DWORD access, DWORD shareMode,
                          DWORD flags);

struct TTransferred {
  std::size_t Count = 0;
  std::error_code Error;
};

// Reads from byteOffset until data is full or the end is reached.
TTransferred ReadUntilFullOrEnd(TKernel32& calls, HANDLE handle, std::uint64_t byteOffset,
                                std::span<std::uint8_t> data);

// Writes every byte from byteOffset on. A write that moves nothing has met the end of the
// volume.
std::error_code WriteAll(TKernel32& calls, HANDLE handle, std::uint64_t byteOffset,
                         std::span<const std::uint8_t> data);

}  // namespace vorlane
