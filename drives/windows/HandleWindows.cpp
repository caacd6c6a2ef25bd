#include "drives/windows/HandleWindows.h"

#include <algorithm>

#include "drives/Volume.h"
#include "drives/windows/WindowsError.h"

namespace vorlane {
namespace {

// ReadFile and WriteFile take a 32-bit count; 1 GiB per call keeps each call whole sectors.
constexpr std::size_t MaxBytesPerCall = std::size_t{1} << 30;

DWORD CallSize(std::size_t bytesLeft) {
  return static_cast<DWORD>(std::min(bytesLeft, MaxBytesPerCall));
}

}  // namespace

TOwnedHandle OpenExisting(TKernel32& calls, const std::string& path, DWORD access, DWORD shareMode,
                          DWORD flags) {
  HANDLE handle = calls.Open(path, access, shareMode, flags);
  return TOwnedHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle, THandleCloser{&calls});
}

TTransferred ReadUntilFullOrEnd(TKernel32& calls, HANDLE handle, std::uint64_t byteOffset,
                                std::span<std::uint8_t> data) {
  TTransferred result;
  if (!calls.Seek(handle, byteOffset)) return {0, LastWindowsError()};
  while (result.Count < data.size()) {
    DWORD moved = 0;
    if (!calls.Read(handle, data.data() + result.Count, CallSize(data.size() - result.Count),
                    moved))
      return {result.Count, LastWindowsError()};
    if (moved == 0) break;  // the end of the file or volume
    result.Count += moved;
  }
  return result;
}

std::error_code WriteAll(TKernel32& calls, HANDLE handle, std::uint64_t byteOffset,
                         std::span<const std::uint8_t> data) {
  if (!calls.Seek(handle, byteOffset)) return LastWindowsError();
  std::size_t done = 0;
  while (done < data.size()) {
    DWORD moved = 0;
    if (!calls.Write(handle, data.data() + done, CallSize(data.size() - done), moved))
      return LastWindowsError();
    if (moved == 0) return EndOfVolumeError();
    done += moved;
  }
  return {};
}

}  // namespace vorlane
