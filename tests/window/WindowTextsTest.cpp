#include "window/WindowTexts.h"

#include <gtest/gtest.h>

#include <utility>

namespace vorlane {
namespace {

TEST(MessageBoxes, ApplicationTitleIsTheProgramNameInLowerCaseButItsFirstCharacter) {
  const std::pair<const char*, const char*> cases[] = {
      {"/usr/local/bin/vorlane", "vorlane"},
      {"VORLANE.EXE", "Vorlane"},
      {"C:/Tools/voRLane.v2.exe", "vorlane"},
      {"C:\\Program Files\\Vorlane\\vorlane.exe", "vorlane"},
      {"Vorlane.exe", "Vorlane"},
  };
  for (const auto& [path, title] : cases) EXPECT_EQ(ApplicationTitle(path), title) << path;
}

TEST(MessageBoxes, ErrorTextGetsAFullStopOnlyAfterACharacterAboveIt) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"Cannot open file \"a.wav\". No such file", "Cannot open file \"a.wav\". No such file."},
      {"ends in a stop.", "ends in a stop."},
      {"ends in a bracket)", "ends in a bracket)"},
      {"ends in a dash-", "ends in a dash-"},
      {"ends in a slash/", "ends in a slash/."},
      {"中文", "中文."},
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(ErrorBoxText(text), shown) << text;
}

}  // namespace
}  // namespace vorlane
