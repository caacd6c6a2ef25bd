// Kernel32's error codes as std::error_code, worded by the system itself.
#pragma once

#include <windows.h>

#include <system_error>

namespace vorlane {

// GetLastError's codes. The message is FormatMessageW's text, in UTF-8, for the code in the
// system's own language (the one the user reads Windows in), without its closing full stop and line
// break.
const std::error_category& WindowsCategory();

std::error_code WindowsError(DWORD code);

// The calling thread's last error. A failure that left it at 0 still reads as a failure.
std::error_code LastWindowsError();

}  // namespace vorlane
