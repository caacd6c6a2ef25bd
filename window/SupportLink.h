// The maker's support page, fixed when the program is built (the CMake cache variable
// VORLANE_SUPPORT_URL).
#pragma once

#include <string>

namespace vorlane {

extern const char* const SupportUrl;

// Label7's text: "技术支持：" followed by the support page's host name.
std::string SupportLinkText();

// The host name of an address such as "https://host:port/path": what stands between "//" and
// the next "/", ":" or the end; empty when the address has no "//".
std::string HostOf(const std::string& url);

}  // namespace vorlane
