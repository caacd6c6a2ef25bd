// The drive list on Linux comes from sysfs: /sys/block holds one directory per whole disk, with
// its partitions as subdirectories. Reading sysfs (ReadDiskAttributes) is kept apart from
// deciding what a card drive is (IsCardDrive, ListDriveEntries), so the decisions can be checked
// on plain records and the scan on fake sysfs trees.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "drives/RemovableDrives.h"

namespace vorlane {

struct TPartitionAttributes {
  std::string Name;     // "sdb1", "mmcblk0p1"
  unsigned Number = 0;  // the kernel's partition number, from the `partition` file
  std::uint64_t SizeSectors = 0;
};

// What sysfs says about one disk, gathered without judging it.
struct TDiskAttributes {
  std::string Name;               // kernel name: "sdb", "mmcblk0", "loop3"
  bool Removable = false;         // the `removable` attribute is 1
  unsigned Major = 0;             // major device number, from `dev` ("179:0")
  std::uint64_t SizeSectors = 0;  // `size` in 512-byte sectors; 0 when no medium is in
  // Subsystem of the parent device ("scsi", "mmc", "nvme", "virtio"); empty for virtual
  // disks such as loop, which have no parent device.
  std::string Bus;
  // The parent device's `type`: the SCSI peripheral type ("0" disk, "5" CD/DVD) on the scsi
  // bus, the card type ("SD", "MMC") on the mmc bus.
  std::string DeviceType;
  // The reader's maker and model (SCSI `vendor` and `model`; an SD card's own `name`).
  std::string Vendor;
  std::string Model;
  std::string Slot;                 // see TDriveDetails::Slot
  std::string Serial;               // the USB reader's serial number
  std::uint64_t MediaSequence = 0;  // `diskseq`: a new number for each medium
  TCardIdentity Card;               // cards on the mmc bus only
  std::vector<TPartitionAttributes> Partitions;
};

// Where a disk sits, from its device path in sysfs (/sys/block/<name> resolved).
struct TDiskPlace {
  std::string Slot;
  // The USB device's folder in that path, holding its serial number; empty off USB.
  std::string UsbDevice;
};

// "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1.3/1-1.3:1.0/host6/target6:0:0/6:0:0:1/block/sdc"
// sits in slot "1-1.3:1" (the reader's second unit) of USB device ".../1-1.3"; ".../mmc_host/mmc0/
// mmc0:aaaa/block/mmcblk0" in slot "mmc0"; a disk on no port is its own slot ("loop3").
TDiskPlace PlaceOfDisk(std::string_view devicePath, std::string_view diskName);

// The first line of an attribute without the blanks around it: SCSI inquiry strings come padded
// to their field width.
std::string TrimBlanks(std::string_view line);

// The leading decimal number of an attribute's first line; 0 when there is none. For `dev`
// ("179:0") that is the major number.
std::uint64_t LeadingNumber(std::string_view line);

// Reads a disk's directory, /sys/block/<name>. Missing attributes (the device went away during
// the scan) read as 0 or empty.
TDiskAttributes ReadDiskAttributes(const std::filesystem::path& diskDir);

// Whether the disk is a drive that can hold a card.
bool IsCardDrive(const TDiskAttributes& disk);

// The entries a card drive gives: its partitions by number, or the disk itself when it has
// none or holds no medium.
std::vector<std::string> ListDriveEntries(const TDiskAttributes& disk);

// The drive list from all disks: card drives only, by disk name (digit runs by value, so
// mmcblk2 comes before mmcblk10), then partition number.
std::vector<std::string> ChooseDriveEntries(std::vector<TDiskAttributes> disks);

// The drive list with each entry's size, vendor and model.
std::vector<TDriveDetails> ChooseDriveDetails(std::vector<TDiskAttributes> disks);

// The disks LookForNewMedia asks: card readers whose medium comes and goes.
bool IsReaderToAsk(const TDiskAttributes& disk);

// Hands each reader under <sysfsRoot>/block to lookAt, by its disk name ("sdb"), to have it look
// at its medium; true when a reader's medium number or size changed meanwhile. LookForNewMedia()
// opens each disk in /dev to look.
bool LookForNewMediaUnder(const std::filesystem::path& sysfsRoot,
                          const std::function<void(const std::string& disk)>& lookAt);

// Scans <sysfsRoot>/block. GetRemovableDrives() scans "/sys".
std::vector<std::string> GetRemovableDrivesUnder(const std::filesystem::path& sysfsRoot);
std::vector<TDriveDetails> GetRemovableDriveDetailsUnder(const std::filesystem::path& sysfsRoot);

}  // namespace vorlane
