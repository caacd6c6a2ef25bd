// /proc/self/mountinfo as the kernel could write it, or as anything mounted under a crafted
// name makes it look: mount points carry octal escapes ("\040"), and the card's mounts are
// picked from it by device number.
#include <algorithm>
#include <string_view>

#include "drives/linux/CardAccessPlan.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vorlane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<TMount> mounts = ParseMountInfo(text);
  fuzz::Check(mounts.size() <= static_cast<std::size_t>(std::ranges::count(text, '\n')) + 1,
              "at most one mount per line");
  std::vector<TDeviceNumber> devices;
  for (const TMount& mount : mounts) {
    fuzz::Check(mount.MountPoint.size() <= size, "unescaping never makes a mount point longer");
    if (devices.size() < 2) devices.push_back(mount.Device);
  }
  const std::vector<std::string> mountPoints = MountPointsOf(mounts, devices);
  fuzz::Check(mountPoints.size() <= mounts.size(), "only listed mounts come off");
  // Each line's third field is a device number; sysfs `dev` files hold one alone.
  if (const auto number = ParseDeviceNumber(text))
    fuzz::Check(text.find(':') != std::string_view::npos, "a device number has its colon");
  return 0;
}
