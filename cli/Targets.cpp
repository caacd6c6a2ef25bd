#include "cli/Targets.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>

#include "cli/Usage.h"
#include "drives/Platform.h"

namespace vorlane::cli {
namespace fs = std::filesystem;
namespace {

// The same node under another name (/dev/disk/by-id/..., a relative path) is the same drive.
bool SameNode(const fs::path& a, const fs::path& b) {
  std::error_code error;
  return fs::equivalent(a, b, error) && !error;
}

std::optional<TDriveDetails> FindDrive(const std::string& argument,
                                       const std::vector<TDriveDetails>& drives) {
  for (const TDriveDetails& drive : drives)
    if (argument == drive.Entry || argument == VolumePathFor(drive.Entry)) return drive;
  for (const TDriveDetails& drive : drives)
    if (SameNode(argument, VolumePathFor(drive.Entry))) return drive;
  return std::nullopt;
}

TTarget DriveTarget(const TDriveDetails& drive) {
  return {drive.Entry, VolumePathFor(drive.Entry), true, true, drive};
}

// A missing name right in the device folder ("/dev/sdz1" on Linux) is a drive that is not
// there, or a typo: write must not create a file there. Its subfolders (/dev/shm) hold files.
bool NamesMissingDevice(const std::string& argument) {
  const std::string folder = VolumePathFor("");
  return argument.rfind(folder, 0) == 0 &&
         argument.find_first_of("/\\", folder.size()) == std::string::npos;
}

TTarget ImageTarget(const std::string& argument, TMissingImage missingImage) {
  std::error_code error;
  const fs::file_status status = fs::status(argument, error);
  if (fs::is_block_file(status))
    throw TUsageError(argument + ": not a removable drive; refused (see vorlane-cli list)");
  if (fs::is_regular_file(status)) return {argument, argument, false, true, {}};
  if (fs::exists(status))
    throw TUsageError(argument + ": neither a removable drive nor a card image file");
  if (missingImage == TMissingImage::Refuse || NamesMissingDevice(argument))
    throw TUsageError(argument + ": no such removable drive or card image");
  return {argument, argument, false, false, {}};
}

// A bare word that names a device node ("sda") means that device, never a new image file.
TTarget ResolveOne(const std::string& argument, const std::vector<TDriveDetails>& drives,
                   TMissingImage missingImage) {
  if (const std::optional<TDriveDetails> drive = FindDrive(argument, drives))
    return DriveTarget(*drive);
  const std::string asDevice = VolumePathFor(argument);
  std::error_code error;
  if (argument.find_first_of("/\\") == std::string::npos && fs::exists(asDevice, error))
    return ImageTarget(asDevice, missingImage);
  return ImageTarget(argument, missingImage);
}

// Two jobs on one card would write over each other.
std::string IdentityOf(const TTarget& target) {
  std::error_code error;
  const fs::path canonical = fs::weakly_canonical(target.VolumePath, error);
  return error ? target.VolumePath : canonical.string();
}

}  // namespace

std::vector<TTarget> ResolveTargets(const std::vector<std::string>& arguments,
                                    const std::vector<TDriveDetails>& removableDrives,
                                    TMissingImage missingImage) {
  if (arguments.empty()) throw TUsageError("no DRIVE given (see vorlane-cli list)");
  std::vector<TTarget> targets;
  std::set<std::string> seen;
  for (const std::string& argument : arguments) {
    TTarget target = ResolveOne(argument, removableDrives, missingImage);
    if (!seen.insert(IdentityOf(target)).second)
      throw TUsageError(argument + ": the same card is named twice");
    targets.push_back(std::move(target));
  }
  return targets;
}

std::string DescribeTarget(const TTarget& target) {
  if (!target.IsDrive) return "card image " + target.VolumePath;
  return target.Name + " (" + target.VolumePath + ", " + DescribeDrive(target.Details) + ")";
}

}  // namespace vorlane::cli
