// list: the removable drives, as the window's drive list shows them.
#include <ostream>

#include "card/Texts.h"
#include "cli/Commands.h"
#include "cli/JsonReports.h"
#include "cli/Usage.h"
#include "drives/Platform.h"
#include "drives/RemovableDrives.h"

namespace vorlane::cli {

int RunList(const TCommandContext& context, bool json) {
  const std::vector<TDriveDetails> drives = context.RemovableDrives();
  if (json) {
    context.Out << JsonText(DriveListJson(drives)) << std::endl;
    return ExitPassed;
  }
  if (drives.empty()) context.Err << NoRemovableDiskText << std::endl;
  for (const TDriveDetails& drive : drives)
    context.Out << drive.Entry << "  " << VolumePathFor(drive.Entry) << "  " << DescribeDrive(drive)
                << "\n";
  context.Out.flush();
  return ExitPassed;
}

}  // namespace vorlane::cli
