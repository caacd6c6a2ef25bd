// Kernel uevent messages as they arrive on the netlink socket: a header, then NUL-separated
// KEY=value fields. Anything on the socket can send them, so any bytes must be judged safely.
#include <string_view>

#include "drives/linux/DriveWatcherLinux.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view message(reinterpret_cast<const char*>(data), size);
  if (vorlane::IsDriveListEvent(message))
    vorlane::fuzz::Check(message.find("SUBSYSTEM=block") != std::string_view::npos &&
                             message.find("ACTION=") != std::string_view::npos,
                         "only block device events change the drive list");
  return 0;
}
