#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vorlane {

// Answers what GetDriveTypeA answers for a root path such as "E:\".
using TDriveTypeQuery = std::function<unsigned(const std::string& rootPath)>;

// The entries "D:" to "Z:" whose drive type is removable, in letter order.
std::vector<std::string> ListRemovableDrives(const TDriveTypeQuery& driveTypeOf);

}  // namespace vorlane
