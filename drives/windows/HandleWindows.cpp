#include "drives/windows/HandleWindows.h"

#include <algorithm>

namespace vorlane {
namespace {

// ReadFile and WriteFile take a 32-bit count; 1 GiB per call keeps each call whole sectors.
constexpr std::size_t MaxBytesPerCall = std::size_t{1} << 30;

DWORD CallSize(std::size_t bytesLeft) {
  return static_cast<DWORD>(std::min(bytesLeft, MaxBytesPerCall));
}

}  // namespace

TOwnedHandle OpenExisting(const std::string& path, DWORD access, DWORD shareMode, DWORD flags) {
  HANDLE handle =
      CreateFileA(path.c_str(), access, shareMode, nullptr, OPEN_EXISTING, flags, nullptr);
  return TOwnedHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

bool SeekTo(HANDLE handle, std::uint64_t byteOffset) {
  LARGE_INTEGER distance;
  distance.QuadPart = static_cast<LONGLONG>(byteOffset);
  return SetFilePointerEx(handle, distance, nullptr, FILE_BEGIN) != 0;
}

std::optional<std::size_t> ReadUntilFullOrEnd(HANDLE handle, std::span<std::uint8_t> data) {
  std::size_t done = 0;
  while (done < data.size()) {
    DWORD moved = 0;
    if (!ReadFile(handle, data.data() + done, CallSize(data.size() - done), &moved, nullptr))
      return std::nullopt;
    if (moved == 0) break;  // the end of the file or volume
    done += moved;
  }
  return done;
}

bool WriteAll(HANDLE handle, std::span<const std::uint8_t> data) {
  std::size_t done = 0;
  while (done < data.size()) {
    DWORD moved = 0;
    if (!WriteFile(handle, data.data() + done, CallSize(data.size() - done), &moved, nullptr) ||
        moved == 0)
      return false;
    done += moved;
  }
  return true;
}

}  // namespace vorlane
