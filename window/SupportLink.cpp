#include "window/SupportLink.h"

namespace vorlane {

const char* const SupportUrl = VORLANE_SUPPORT_URL;

std::string SupportLinkText() {
  return "技术支持：" + HostOf(SupportUrl);
}

std::string HostOf(const std::string& url) {
  const std::size_t slashes = url.find("//");
  if (slashes == std::string::npos) return {};
  const std::size_t start = slashes + 2;
  const std::size_t end = url.find_first_of("/:?#", start);
  return url.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace vorlane
