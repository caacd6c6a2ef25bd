// Opening a card on Linux. Card images are plain files and open directly. A card is a block
// device, and on a desktop it is usually mounted: its file systems come off first and the card
// is opened exclusively, through the desktop's disk service (UDisks2, which asks the user for a
// password through polkit) or, as root, by ourselves. The decisions are in CardAccessPlan.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "drives/linux/CardAccessPlan.h"
#include "drives/linux/LastError.h"
#include "drives/linux/UDisksClient.h"
#include "drives/linux/VolumeLinux.h"

namespace vorlane {
namespace fs = std::filesystem;
namespace {

// O_EXCL claims a block device: the kernel refuses it while a file system is mounted on it (for
// a whole disk, on any of its partitions), and refuses mounts and other exclusive openers, such
// as a second Vorlane, while the job holds it.
constexpr int CardOpenFlags = O_RDWR | O_EXCL | O_CLOEXEC;

std::string ReadWholeFile(const fs::path& file) {
  std::ifstream in(file);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TVolumeOpening OpenNode(const std::string& path, int flags) {
  const int fd = open(path.c_str(), flags);  // no O_CREAT: a missing node is never made
  if (fd < 0) return {nullptr, LastError()};
  return AdoptVolumeDescriptor(fd);
}

TVolumeOpening Refused(const TServiceFailure& failure) {
  return {nullptr, failure.Code, failure.Text};
}

// A local refusal that the missing disk service explains is reported in the service's words.
TVolumeOpening Explained(std::error_code localError, const TServiceFailure& serviceError) {
  const std::error_code error = ExplainWithoutService(localError, serviceError.Code);
  return {nullptr, error, error == serviceError.Code ? serviceError.Text : std::string()};
}

// The device and, for a whole disk, its partitions: sysfs lists them as subdirectories of the
// disk holding a `partition` file.
std::vector<TDeviceNumber> DeviceWithPartitions(dev_t device) {
  std::vector<TDeviceNumber> devices{{major(device), minor(device)}};
  const fs::path dir =
      "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
  std::error_code error;
  for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
    std::error_code unreadable;  // a partition going away during the scan
    if (!fs::exists(it->path() / "partition", unreadable)) continue;
    std::string text = ReadWholeFile(it->path() / "dev");
    while (!text.empty() && text.back() == '\n') text.pop_back();
    if (const auto number = ParseDeviceNumber(text)) devices.push_back(*number);
  }
  return devices;
}

// Without the disk service: the mount table tells what is mounted on the card, root takes it
// off, anyone else is refused while it stays. serviceError is why the service could not help.
TVolumeOpening OpenOnOurOwn(const std::string& path, dev_t device, bool isRoot,
                            const TServiceFailure& serviceError) {
  const std::vector<std::string> mountPoints = MountPointsOf(
      ParseMountInfo(ReadWholeFile("/proc/self/mountinfo")), DeviceWithPartitions(device));
  for (const std::string& mountPoint : mountPoints) {
    // No MNT_FORCE, no MNT_DETACH: a busy file system stays mounted and the job does not write.
    std::error_code error = std::make_error_code(std::errc::operation_not_permitted);
    if (isRoot) error = umount2(mountPoint.c_str(), 0) == 0 ? std::error_code() : LastError();
    // EINVAL: no longer a mount point, gone since the table was read.
    if (error && error != std::errc::invalid_argument) return Explained(error, serviceError);
  }
  TVolumeOpening opening = OpenNode(path, CardOpenFlags);
  if (!opening.Volume) return Explained(opening.Error, serviceError);
  return opening;
}

TVolumeOpening OpenThroughService(TUDisksClient& service, const std::string& path,
                                  const std::string& object, bool isRoot) {
  std::vector<TServiceBlock> blocks;
  if (const TServiceFailure error = service.ListBlocks(blocks)) return Refused(error);
  for (const std::string& fileSystem : FileSystemsToUnmount(object, blocks)) {
    const TServiceFailure error = service.Unmount(fileSystem);
    if (!UnmountLetsJobGoOn(error.Code)) return Refused(error);
  }
  if (isRoot) return OpenNode(path, CardOpenFlags);
  // The service takes reading and writing from its "rw" mode, not from the flags.
  int fd = -1;
  if (const TServiceFailure error = service.OpenDevice(object, O_DIRECT | O_EXCL | O_CLOEXEC, fd))
    return Refused(error);
  return AdoptVolumeDescriptor(fd);
}

TVolumeOpening OpenBlockDevice(const std::string& path, dev_t device) {
  const bool isRoot = geteuid() == 0;
  TUDisksClient service;
  std::string object;
  const TServiceFailure resolveError = service.ResolveDevice(path, object);
  switch (ChooseOpenRoute(resolveError.Code, isRoot)) {
    case TOpenRoute::DiskService:
      return OpenThroughService(service, path, object, isRoot);
    case TOpenRoute::OnOurOwn:
      return OpenOnOurOwn(path, device, isRoot, resolveError);
    case TOpenRoute::Refuse:
      break;
  }
  return Refused(resolveError);
}

}  // namespace

bool IsNoCardError(std::error_code error) {
  return error == std::error_code(ENOMEDIUM, std::system_category());
}

TVolumeOpening OpenVolume(const std::string& volumePath) {
  struct stat info {};
  if (stat(volumePath.c_str(), &info) != 0) return {nullptr, LastError()};
  if (S_ISREG(info.st_mode)) return OpenNode(volumePath, O_RDWR | O_CLOEXEC);  // a card image
  if (!S_ISBLK(info.st_mode)) return {nullptr, std::make_error_code(std::errc::no_such_device)};
  return OpenBlockDevice(volumePath, info.st_rdev);
}

}  // namespace vorlane
