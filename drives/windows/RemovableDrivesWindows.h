#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace vorlane {

// Answers what GetDriveTypeA answers for a root path such as "E:\".
using TDriveTypeQuery = std::function<unsigned(const std::string& rootPath)>;

// The entries "D:" to "Z:" whose drive type is removable, in letter order.
std::vector<std::string> ListRemovableDrives(const TDriveTypeQuery& driveTypeOf);

struct TDeviceNames {
  std::string Vendor;
  std::string Model;
};

// The vendor and product names in a STORAGE_DEVICE_DESCRIPTOR as IOCTL_STORAGE_QUERY_PROPERTY
// returns it (descriptor: the bytes it filled). Each is a NUL-terminated string at an offset
// within the descriptor, 0 when the device has none; card readers pad them with blanks.
TDeviceNames DeviceNamesFrom(std::span<const std::uint8_t> descriptor);

}  // namespace vorlane
