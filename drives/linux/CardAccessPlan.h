// The decisions behind opening a card on a Linux desktop, apart from the calls that carry them
// out, so each can be checked on plain records. A desktop mounts a card's file system the
// moment the card goes in. Writing raw sectors under it is never safe: the file system keeps
// its metadata cached and may write it back over the segment later. So every file system on
// the sectors the job writes comes off first, without force, and the card is opened
// exclusively so nothing can mount it again while the job runs.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "drives/linux/DiskServiceError.h"

namespace vorlane {

// A block device as the disk service (UDisks2) lists it.
struct TServiceBlock {
  std::string Object;          // "/org/freedesktop/UDisks2/block_devices/sdb1"
  std::string PartitionTable;  // for a partition: the object of the disk it is on; else empty
  bool Mounted = false;        // holds a file system that is mounted somewhere
};

// The mounted file systems that must come off before the entry is written: the entry's own,
// and for a whole-disk entry those of every partition on it. Others on the same disk stay.
std::vector<std::string> FileSystemsToUnmount(std::string_view entryObject,
                                              const std::vector<TServiceBlock>& blocks);

// A device number as the kernel shows it ("8:17").
struct TDeviceNumber {
  unsigned Major = 0;
  unsigned Minor = 0;
  friend bool operator==(const TDeviceNumber&, const TDeviceNumber&) = default;
};

// "8:17" as sysfs `dev` files and the mount table give it; empty when it is no such number.
std::optional<TDeviceNumber> ParseDeviceNumber(std::string_view text);

struct TMount {
  TDeviceNumber Device;
  std::string MountPoint;
};

// The mounts listed in /proc/self/mountinfo, mount points unescaped ("\040" is a blank).
std::vector<TMount> ParseMountInfo(std::string_view mountInfo);

// Where the given devices are mounted, latest mount first: a mount stacked on another of the
// same card must come off before the one below it.
std::vector<std::string> MountPointsOf(const std::vector<TMount>& mounts,
                                       const std::vector<TDeviceNumber>& devices);

// How the card gets opened, from the disk service's answer to "which block device is this?".
enum class TOpenRoute {
  DiskService,  // unmount through the service; open through it, or by ourselves as root
  OnOurOwn,     // no service to ask: mount table, umount2 as root, open(2)
  Refuse,       // the service's answer ends the job
};

TOpenRoute ChooseOpenRoute(std::error_code resolveError, bool isRoot);

// Whether an unmount that answered this lets the job go on.
bool UnmountLetsJobGoOn(std::error_code unmountError);

// What a failed open without the disk service reports: where the system refused permission
// (not root, not in the disk group), the real cause is that no disk service was there to ask,
// so the service's error is reported instead.
std::error_code ExplainWithoutService(std::error_code localError, std::error_code serviceError);

}  // namespace vorlane
