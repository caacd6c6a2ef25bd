#include <windows.h>

#include "tests/card/WavFiles.h"

namespace vorlane::testing {

// Windows words it in the system's language ("The system cannot find the file specified.");
// wine has words of its own ("File not found.").
std::string MissingFileText() {
  char text[512] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 ERROR_FILE_NOT_FOUND, 0, text, sizeof text, nullptr);
  std::string message = text;
  message.erase(message.find_last_not_of(".\r\n ") + 1);
  return message;
}

}  // namespace vorlane::testing
