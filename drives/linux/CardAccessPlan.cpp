#include "drives/linux/CardAccessPlan.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace vorlane {
namespace {

// The kernel writes blank, tab, newline and backslash in mount points as three octal digits.
std::string UnescapeMountPoint(std::string_view escaped) {
  std::string text;
  for (std::size_t i = 0; i < escaped.size(); ++i) {
    const auto isOctalDigit = [&](std::size_t at) {
      return at < escaped.size() && escaped[at] >= '0' && escaped[at] <= '7';
    };
    const bool isOctal =
        escaped[i] == '\\' && isOctalDigit(i + 1) && isOctalDigit(i + 2) && isOctalDigit(i + 3);
    if (!isOctal) {
      text += escaped[i];
      continue;
    }
    text += static_cast<char>((escaped[i + 1] - '0') * 64 + (escaped[i + 2] - '0') * 8 +
                              (escaped[i + 3] - '0'));
    i += 3;
  }
  return text;
}

}  // namespace

std::vector<std::string> FileSystemsToUnmount(std::string_view entryObject,
                                              const std::vector<TServiceBlock>& blocks) {
  std::vector<std::string> objects;
  for (const TServiceBlock& block : blocks) {
    const bool onEntry = block.Object == entryObject || block.PartitionTable == entryObject;
    if (onEntry && block.Mounted) objects.push_back(block.Object);
  }
  return objects;
}

std::optional<TDeviceNumber> ParseDeviceNumber(std::string_view text) {
  TDeviceNumber device;
  const char* end = text.data() + text.size();
  const auto major = std::from_chars(text.data(), end, device.Major);
  if (major.ec != std::errc() || major.ptr == end || *major.ptr != ':') return std::nullopt;
  const auto minor = std::from_chars(major.ptr + 1, end, device.Minor);
  if (minor.ec != std::errc() || minor.ptr != end) return std::nullopt;
  return device;
}

std::vector<TMount> ParseMountInfo(std::string_view mountInfo) {
  std::vector<TMount> mounts;
  std::istringstream lines{std::string(mountInfo)};
  for (std::string line; std::getline(lines, line);) {
    // "36 35 98:0 /mnt1 /mnt/parent rw,noatime master:1 - ext3 /dev/root rw": mount id,
    // parent id, device, root within the file system, mount point, ...
    std::istringstream fields(line);
    std::string id, parent, device, root, mountPoint;
    if (!(fields >> id >> parent >> device >> root >> mountPoint)) continue;
    if (const auto number = ParseDeviceNumber(device))
      mounts.push_back({*number, UnescapeMountPoint(mountPoint)});
  }
  return mounts;
}

std::vector<std::string> MountPointsOf(const std::vector<TMount>& mounts,
                                       const std::vector<TDeviceNumber>& devices) {
  std::vector<std::string> mountPoints;
  for (auto mount = mounts.rbegin(); mount != mounts.rend(); ++mount)
    if (std::ranges::find(devices, mount->Device) != devices.end())
      mountPoints.push_back(mount->MountPoint);
  return mountPoints;
}

TOpenRoute ChooseOpenRoute(std::error_code resolveError, bool isRoot) {
  if (!resolveError) return TOpenRoute::DiskService;
  // Root may open the node itself and take file systems off with umount2, so any trouble with
  // the service leaves that way open. Others depend on the service, unless there is none:
  // then the open is tried as before the service existed (members of the disk group).
  if (isRoot || AnswerOf(resolveError) == TDiskServiceAnswer::ServiceMissing)
    return TOpenRoute::OnOurOwn;
  return TOpenRoute::Refuse;
}

bool UnmountLetsJobGoOn(std::error_code unmountError) {
  return !unmountError || AnswerOf(unmountError) == TDiskServiceAnswer::NotMounted;
}

std::error_code ExplainWithoutService(std::error_code localError, std::error_code serviceError) {
  const bool refused = localError == std::errc::permission_denied ||
                       localError == std::errc::operation_not_permitted;
  return refused && serviceError ? serviceError : localError;
}

}  // namespace vorlane
