#include "drives/windows/WindowsError.h"

#include <string>

#include "drives/WideText.h"

namespace vorlane {
namespace {

// Why not std::system_category: the MinGW runtime words its messages with FormatMessageA for
// the user's locale language only (LANG_USER_DEFAULT), which fails where the regional format
// differs from the display language (Chinese formats on an English Windows), and without
// FORMAT_MESSAGE_IGNORE_INSERTS, which fails for messages that take arguments (ERROR_WRONG_DISK).
// Both failures end as "Unknown error code" where the system has words. Language 0 lets
// FormatMessageW fall back through the thread's, the user's and the system's languages. The
// wide text, as UTF-8, is right in every language, not only in the system's code page.
class TWindowsCategory final : public std::error_category {
 public:
  const char* name() const noexcept override { return "windows"; }

  std::string message(int code) const override {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0) return "Windows error " + std::to_string(static_cast<DWORD>(code));
    std::string message = WideToUtf8(std::wstring(text, length));
    LocalFree(text);
    // Whoever shows the text decides how the sentence ends, as with the other categories.
    message.erase(message.find_last_not_of(". \r\n") + 1);
    return message;
  }

  // Comparisons with std::errc work as far as the runtime's own mapping of these codes goes.
  std::error_condition default_error_condition(int code) const noexcept override {
    return std::system_category().default_error_condition(code);
  }
};

}  // namespace

const std::error_category& WindowsCategory() {
  static const TWindowsCategory category;
  return category;
}

std::error_code WindowsError(DWORD code) {
  return {static_cast<int>(code), WindowsCategory()};
}

std::error_code LastWindowsError() {
  const DWORD code = GetLastError();
  // An empty error_code would read as success.
  return WindowsError(code == ERROR_SUCCESS ? ERROR_UNIDENTIFIED_ERROR : code);
}

}  // namespace vorlane
