#include "window/WindowTexts.h"

#include <cctype>

#include "window/SlotWiring.h"

namespace vorlane {

std::string SegmentCaption(TSegment segment) {
  return std::string(30, '*') + WiringOf(segment).SegmentName + std::string(28, '*');
}

std::string ApplicationTitle(const std::string& programPath) {
  const std::size_t folderEnd = programPath.find_last_of("/\\");
  std::string name = programPath.substr(folderEnd == std::string::npos ? 0 : folderEnd + 1);
  name = name.substr(0, name.find('.'));
  for (std::size_t i = 1; i < name.size(); ++i)
    name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
  return name;
}

// A character past ASCII ends in a byte of 0x80 or more in UTF-8, so above the full stop too.
std::string ErrorBoxText(const std::string& errorText) {
  if (errorText.empty() || static_cast<unsigned char>(errorText.back()) <= '.') return errorText;
  return errorText + '.';
}

}  // namespace vorlane
