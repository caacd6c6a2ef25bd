// The kernel32 calls the backend makes on files and volumes, behind an interface: the system's
// own, or a test's recording stand-in that shows in which order a volume is opened, locked,
// written and closed. Each call behaves as its kernel32 namesake, failures included: FALSE or
// INVALID_HANDLE_VALUE, with GetLastError telling why.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace vorlane {

class TKernel32 {
 public:
  virtual ~TKernel32() = default;
  // CreateFileW of the UTF-8 path with OPEN_EXISTING, no security attributes and no template: a
  // missing file or drive fails and never becomes a new file.
  virtual HANDLE Open(const std::string& path, DWORD access, DWORD shareMode, DWORD flags) = 0;
  virtual DWORD FileType(HANDLE handle) = 0;  // GetFileType
  // DeviceIoControl for a control code that takes and gives no data (FSCTL_LOCK_VOLUME, ...).
  virtual BOOL Control(HANDLE handle, DWORD code) = 0;
  virtual BOOL Seek(HANDLE handle, std::uint64_t byteOffset) = 0;  // SetFilePointerEx, FILE_BEGIN
  virtual BOOL Read(HANDLE handle, void* data, DWORD size, DWORD& moved) = 0;
  virtual BOOL Write(HANDLE handle, const void* data, DWORD size, DWORD& moved) = 0;
  virtual BOOL Flush(HANDLE handle) = 0;  // FlushFileBuffers
  virtual BOOL Close(HANDLE handle) = 0;
  virtual void Sleep(DWORD durationMs) = 0;
};

TKernel32& SystemKernel32();

}  // namespace vorlane
