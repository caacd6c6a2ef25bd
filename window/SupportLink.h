// The maker's support page, fixed when the program is built (the CMake cache variable
// VORLANE_SUPPORT_URL).
#pragma once

#include <QString>

namespace vorlane {

extern const char* const SupportUrl;

// Label7's text: "技术支持：" followed by the support page's host name.
QString SupportLinkText();

}  // namespace vorlane
