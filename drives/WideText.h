// Our texts and paths are UTF-8; Windows' wide-character calls take UTF-16. Converting at the
// calls shows Chinese texts and file names on every Windows, whatever its code page. Windows
// programs only: the Windows backend implements it.
#pragma once

#include <string>

namespace vorlane {

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

}  // namespace vorlane
