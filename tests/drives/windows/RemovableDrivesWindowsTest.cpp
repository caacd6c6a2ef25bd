#include "drives/windows/RemovableDrivesWindows.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>

namespace vorlane {
namespace {

// What GetDriveTypeA would answer on a machine with the given drives; other letters have none.
std::vector<std::string> ListOn(const std::map<char, unsigned>& driveTypes,
                                std::vector<std::string>& askedRoots) {
  return ListRemovableDrives([&](const std::string& rootPath) {
    askedRoots.push_back(rootPath);
    const auto found = driveTypes.find(rootPath[0]);
    return found == driveTypes.end() ? unsigned{DRIVE_NO_ROOT_DIR} : found->second;
  });
}

TEST(ListRemovableDrives, ListsTheRemovableLettersFromDToZInOrder) {
  std::vector<std::string> asked;
  const auto entries = ListOn({{'A', DRIVE_REMOVABLE},
                               {'B', DRIVE_REMOVABLE},
                               {'C', DRIVE_FIXED},
                               {'D', DRIVE_CDROM},
                               {'E', DRIVE_REMOVABLE},
                               {'F', DRIVE_FIXED},
                               {'G', DRIVE_REMOVABLE},
                               {'H', DRIVE_REMOTE},
                               {'I', DRIVE_RAMDISK},
                               {'J', DRIVE_UNKNOWN},
                               {'Z', DRIVE_REMOVABLE}},
                              asked);
  EXPECT_EQ(entries, (std::vector<std::string>{"E:", "G:", "Z:"}));
  ASSERT_EQ(asked.size(), 23u) << "every letter from D to Z, and only those";
  EXPECT_EQ(asked.front(), "D:\\");
  EXPECT_EQ(asked.back(), "Z:\\");
}

}  // namespace
}  // namespace vorlane
