#include "drives/windows/RemovableDrivesWindows.h"

#include <windows.h>

#include "drives/RemovableDrives.h"

namespace vorlane {

// A: and B: are the floppy letters and C: the system drive: none of them holds a card, so they
// are never asked. Card readers report DRIVE_REMOVABLE whether or not a card is in them.
std::vector<std::string> ListRemovableDrives(const TDriveTypeQuery& driveTypeOf) {
  std::vector<std::string> entries;
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    if (driveTypeOf(std::string{letter, ':', '\\'}) == DRIVE_REMOVABLE)
      entries.push_back(std::string{letter, ':'});
  }
  return entries;
}

std::vector<std::string> GetRemovableDrives() {
  return ListRemovableDrives(
      [](const std::string& rootPath) { return GetDriveTypeA(rootPath.c_str()); });
}

}  // namespace vorlane
