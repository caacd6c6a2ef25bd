#include "drives/windows/Kernel32.h"

#include "drives/WideText.h"

namespace vorlane {
namespace {

class TSystemKernel32 final : public TKernel32 {
 public:
  HANDLE Open(const std::string& path, DWORD access, DWORD shareMode, DWORD flags) override {
    return CreateFileW(Utf8ToWide(path).c_str(), access, shareMode, nullptr, OPEN_EXISTING, flags,
                       nullptr);
  }
  DWORD FileType(HANDLE handle) override { return GetFileType(handle); }
  BOOL Control(HANDLE handle, DWORD code) override {
    DWORD returned = 0;
    return DeviceIoControl(handle, code, nullptr, 0, nullptr, 0, &returned, nullptr);
  }
  BOOL Seek(HANDLE handle, std::uint64_t byteOffset) override {
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(byteOffset);
    return SetFilePointerEx(handle, distance, nullptr, FILE_BEGIN);
  }
  BOOL Read(HANDLE handle, void* data, DWORD size, DWORD& moved) override {
    return ReadFile(handle, data, size, &moved, nullptr);
  }
  BOOL Write(HANDLE handle, const void* data, DWORD size, DWORD& moved) override {
    return WriteFile(handle, data, size, &moved, nullptr);
  }
  BOOL Flush(HANDLE handle) override { return FlushFileBuffers(handle); }
  BOOL Close(HANDLE handle) override { return CloseHandle(handle); }
  void Sleep(DWORD durationMs) override { ::Sleep(durationMs); }
};

}  // namespace

TKernel32& SystemKernel32() {
  static TSystemKernel32 kernel32;
  return kernel32;
}

}  // namespace vorlane
