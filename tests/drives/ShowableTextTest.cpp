// Device strings as the operator sees them: never a control sequence on the terminal, never
// bytes that break UTF-8 (and with them the JSON scripts read), never a screenful.
#include "drives/ShowableText.h"

#include <gtest/gtest.h>

#include <string>

#include "drives/RemovableDrives.h"

namespace vorlane {
namespace {

const std::string Fffd = "\xEF\xBF\xBD";
const std::string Dots = "\xE2\x80\xA6";

std::string Times(std::size_t count, const std::string& text) {
  std::string repeated;
  for (std::size_t i = 0; i < count; ++i) repeated += text;
  return repeated;
}

TEST(ShowableText, EscapesControlsReplacesBadUtf8AndCapsLength) {
  const struct {
    const char* Name;
    std::string Device;
    std::string Shown;
  } cases[] = {
      {"plain", "Generic", "Generic"},
      {"valid UTF-8 stays", "读卡器 \u00e9", "读卡器 \u00e9"},
      {"clear screen", "\x1b[2J", "\\x1b[2J"},
      {"window title", "\x1b]0;owned\x07", "\\x1b]0;owned\\x07"},
      {"line breaks and tab", "a\nb\rc\td", "a\\x0ab\\x0dc\\x09d"},
      {"NUL inside", std::string("a\0b", 3), "a\\x00b"},
      {"DEL", "\x7f", "\\x7f"},
      {"C1 CSI",
       "\xc2\x9b"
       "31m",
       "\\u009b31m"},
      {"right-to-left override", "abc\u202edcba", "abc\\u202edcba"},
      {"line separator", "a\u2028b", "a\\u2028b"},
      {"lone continuation byte", "a\x80z", "a" + Fffd + "z"},
      {"cut-off sequence", "\xe8\xaf", Fffd + Fffd},
      {"overlong slash", "\xc0\xaf", Fffd + Fffd},
      {"overlong three-byte slash", "\xe0\x80\xaf", Fffd + Fffd + Fffd},
      {"surrogate", "\xed\xa0\x80", Fffd + Fffd + Fffd},
      {"past U+10FFFF", "\xf4\x90\x80\x80", Times(4, Fffd)},
      {"0xFF", "\xff", Fffd},
      {"64 characters fit", std::string(64, 'A'), std::string(64, 'A')},
      {"65 are cut", std::string(65, 'A'), std::string(63, 'A') + Dots},
      {"cut counts characters, not bytes", Times(80, "读"), Times(63, "读") + Dots},
      {"an escape that fits at the end", std::string(60, 'A') + "\x1b",
       std::string(60, 'A') + "\\x1b"},
      {"an escape is never cut", std::string(61, 'A') + "\x1b" + "B", std::string(61, 'A') + Dots},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(ShowableText(c.Device), c.Shown);
  }
}

// The description the confirmation, list, log lines and tooltip show.
TEST(ShowableText, DescribeDriveShowsVendorAndModelThroughIt) {
  const TDriveDetails drive{"sdb1", 8000000000, "\x1b[2J", "SD\xff"};
  EXPECT_EQ(DescribeDrive(drive), "8.0 GB \u00b7 \\x1b[2J SD" + Fffd);
}

}  // namespace
}  // namespace vorlane
