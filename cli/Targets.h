// Which card each DRIVE argument names. A block device is written only when it is one of the
// removable drives the window lists, so a typo never reaches a system disk.
#pragma once

#include <string>
#include <vector>

#include "drives/RemovableDrives.h"

namespace vorlane::cli {

struct TTarget {
  std::string Name;        // the drive list entry ("sdb1"), or the card image's path as given
  std::string VolumePath;  // what the volume code opens: "/dev/sdb1", or the image's path
  bool IsDrive = false;    // a removable drive, not a card image file
  bool Exists = true;      // false for a card image that write is about to create
  TDriveDetails Details;   // drives only: size, vendor, model
};

enum class TMissingImage { Refuse, Create };

// Resolves every argument, in order. Throws TUsageError when none is given, for a block device
// that is not in the removable drive list, a device path that names no removable drive, anything
// that is neither a drive nor a regular file, a missing image unless it may be created, and a
// card named twice.
std::vector<TTarget> ResolveTargets(const std::vector<std::string>& arguments,
                                    const std::vector<TDriveDetails>& removableDrives,
                                    TMissingImage missingImage);

// "sdb1 (/dev/sdb1, 7.9 GB · Generic STORAGE DEVICE)" or "card image card.img".
std::string DescribeTarget(const TTarget& target);

}  // namespace vorlane::cli
