// list: the removable drives, as the window's drive list shows them.
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/Commands.h"
#include "cli/Usage.h"
#include "drives/Platform.h"
#include "drives/RemovableDrives.h"

namespace vorlane::cli {

int RunList(bool json) {
  const std::vector<TDriveDetails> drives = GetRemovableDriveDetails();
  if (json) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const TDriveDetails& drive : drives)
      list.push_back({{"entry", drive.Entry},
                      {"volumePath", VolumePathFor(drive.Entry)},
                      {"sizeBytes", drive.SizeBytes},
                      {"vendor", drive.Vendor},
                      {"model", drive.Model}});
    std::cout << list.dump(2) << std::endl;
    return ExitPassed;
  }
  if (drives.empty()) std::cerr << "没找到可移动磁盘" << std::endl;
  for (const TDriveDetails& drive : drives)
    std::cout << drive.Entry << "  " << VolumePathFor(drive.Entry) << "  " << DescribeDrive(drive)
              << "\n";
  std::cout.flush();
  return ExitPassed;
}

}  // namespace vorlane::cli
