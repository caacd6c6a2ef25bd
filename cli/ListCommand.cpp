// list: the removable drives, as the window's drive list shows them.
#include <iostream>

#include "card/Texts.h"
#include "cli/Commands.h"
#include "cli/JsonReports.h"
#include "cli/Usage.h"
#include "drives/Platform.h"
#include "drives/RemovableDrives.h"

namespace vorlane::cli {

int RunList(bool json) {
  const std::vector<TDriveDetails> drives = GetRemovableDriveDetails();
  if (json) {
    std::cout << JsonText(DriveListJson(drives)) << std::endl;
    return ExitPassed;
  }
  if (drives.empty()) std::cerr << NoRemovableDiskText << std::endl;
  for (const TDriveDetails& drive : drives)
    std::cout << drive.Entry << "  " << VolumePathFor(drive.Entry) << "  " << DescribeDrive(drive)
              << "\n";
  std::cout.flush();
  return ExitPassed;
}

}  // namespace vorlane::cli
