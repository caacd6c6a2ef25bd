// The system's reasons reach the log and the error box in the system's own words.
#include "drives/windows/WindowsError.h"

#include <gtest/gtest.h>

#include <string>

namespace vorlane {
namespace {

std::string FormatMessageText(DWORD code) {
  char text[512] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                 sizeof text, nullptr);
  return text;
}

// "File not found." under wine, "The system cannot find the file specified." on an English
// Windows, its own sentence on a Chinese one; the closing full stop and line break are left to
// whoever shows it.
TEST(WindowsError, SpeaksTheSystemsWordsWithoutTheirEnding) {
  const std::string words = FormatMessageText(ERROR_FILE_NOT_FOUND);
  ASSERT_GT(words.size(), 3u);
  const std::string message = WindowsError(ERROR_FILE_NOT_FOUND).message();
  EXPECT_EQ(message, words.substr(0, words.find_last_not_of(". \r\n") + 1));
  EXPECT_EQ(message.find_first_of(".\r\n"), std::string::npos) << message;
}

// A message with inserts (drive, volume serial) is still the system's, not an "unknown error".
TEST(WindowsError, MessagesThatTakeArgumentsAreWordedToo) {
  const std::string words = FormatMessageText(ERROR_WRONG_DISK);
  if (words.empty()) GTEST_SKIP() << "this system has no text for ERROR_WRONG_DISK";
  EXPECT_EQ(WindowsError(ERROR_WRONG_DISK).message(),
            words.substr(0, words.find_last_not_of(". \r\n") + 1));
}

// The card layer and its tests ask portable questions of these errors.
TEST(WindowsError, ComparesWithThePortableConditions) {
  EXPECT_EQ(WindowsError(ERROR_FILE_NOT_FOUND), std::errc::no_such_file_or_directory);
  EXPECT_EQ(WindowsError(ERROR_ACCESS_DENIED), std::errc::permission_denied);
  EXPECT_NE(WindowsError(ERROR_ACCESS_DENIED), std::errc::no_such_file_or_directory);
}

TEST(WindowsError, AFailureThatLeftNoCodeIsStillAFailure) {
  SetLastError(ERROR_SUCCESS);
  EXPECT_TRUE(LastWindowsError());
  SetLastError(ERROR_NOT_READY);
  EXPECT_EQ(LastWindowsError(), WindowsError(21));
}

}  // namespace
}  // namespace vorlane
