#include "drives/linux/RemovableDrivesLinux.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <optional>
#include <string_view>

#include "drives/RemovableDrives.h"

namespace vorlane {
namespace fs = std::filesystem;
namespace {

// Major number 2 belongs to the legacy floppy driver (fd0, fd1).
constexpr unsigned FloppyMajor = 2;

// Directory entries, or none when the directory cannot be read. Sysfs directories vanish when a
// device is unplugged during the scan, so no error may escape.
std::vector<fs::path> ListDirectory(const fs::path& dir) {
  std::vector<fs::path> children;
  std::error_code error;
  for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
    children.push_back(it->path());
  }
  return children;
}

std::string ReadFirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string ReadTrimmedLine(const fs::path& file) {
  return TrimBlanks(ReadFirstLine(file));
}

std::uint64_t ReadLeadingNumber(const fs::path& file) {
  return LeadingNumber(ReadFirstLine(file));
}

// A device's `subsystem` link points at its bus or class directory (../../bus/scsi).
std::string ReadSubsystemName(const fs::path& device) {
  std::error_code error;
  const fs::path target = fs::read_symlink(device / "subsystem", error);
  return error ? std::string() : target.filename().string();
}

// Partitions are the subdirectories holding a `partition` file. Other subdirectories have none:
// queue, holders, power, and an eMMC's boot areas (mmcblk0boot0), which are disks of their own.
std::vector<TPartitionAttributes> ReadPartitions(const fs::path& diskDir) {
  std::vector<TPartitionAttributes> partitions;
  for (const fs::path& child : ListDirectory(diskDir)) {
    const fs::path numberFile = child / "partition";
    std::error_code error;
    if (!fs::is_regular_file(numberFile, error)) continue;
    partitions.push_back({child.filename().string(),
                          static_cast<unsigned>(ReadLeadingNumber(numberFile)),
                          ReadLeadingNumber(child / "size")});
  }
  return partitions;
}

// The sr driver serves SCSI peripheral types 4 (write-once) and 5 (CD/DVD). Their drives report
// removable 1, as their discs come and go, but no card ever sits in them.
bool IsOpticalDrive(const TDiskAttributes& disk) {
  return disk.Bus == "scsi" && (disk.DeviceType == "4" || disk.DeviceType == "5");
}

bool IsFloppyDrive(const TDiskAttributes& disk) {
  return disk.Major == FloppyMajor;
}

// eMMC is MMC-type memory soldered to the board, often the system disk of laptops and boards.
// It sits on the mmc bus like a card slot but must never be offered for raw writes.
bool IsEmbeddedMmc(const TDiskAttributes& disk) {
  return disk.Bus == "mmc" && disk.DeviceType == "MMC";
}

std::uint64_t TakeNumber(std::string_view text, std::size_t& at) {
  std::uint64_t value = 0;
  for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
    value = value * 10 + static_cast<std::uint64_t>(text[at] - '0');
  }
  return value;
}

// Name order with runs of digits compared by value: mmcblk2 before mmcblk10.
bool IsBeforeInNameOrder(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (std::isdigit(static_cast<unsigned char>(a[i])) &&
        std::isdigit(static_cast<unsigned char>(b[j]))) {
      const std::uint64_t numberA = TakeNumber(a, i);
      const std::uint64_t numberB = TakeNumber(b, j);
      if (numberA != numberB) return numberA < numberB;
    } else if (a[i] != b[j]) {
      return a[i] < b[j];
    } else {
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

bool IsDigits(std::string_view text) {
  return !text.empty() && std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

// "1-1.3": bus number, a dash, then port numbers joined by dots.
bool IsUsbPortName(std::string_view name) {
  const std::size_t dash = name.find('-');
  if (dash == std::string_view::npos || !IsDigits(name.substr(0, dash))) return false;
  std::string_view ports = name.substr(dash + 1);
  for (std::size_t dot; (dot = ports.find('.')) != std::string_view::npos;) {
    if (!IsDigits(ports.substr(0, dot))) return false;
    ports.remove_prefix(dot + 1);
  }
  return IsDigits(ports);
}

// The logical unit of a SCSI address "6:0:0:1": a reader with several slots gives each a unit.
std::optional<std::string_view> ScsiUnitOf(std::string_view name) {
  std::size_t colons = 0;
  for (char c : name) colons += c == ':';
  const std::size_t last = name.rfind(':');
  if (colons != 3 || !IsDigits(name.substr(last + 1))) return std::nullopt;
  return name.substr(last + 1);
}

bool IsMmcHostName(std::string_view name) {
  return name.size() > 3 && name.starts_with("mmc") && IsDigits(name.substr(3));
}

// The mmc driver's fields of a card's CID register, in its card device's folder.
TCardIdentity ReadCardIdentity(const fs::path& card) {
  return {ReadTrimmedLine(card / "cid"),    ReadTrimmedLine(card / "serial"),
          ReadTrimmedLine(card / "manfid"), ReadTrimmedLine(card / "oemid"),
          ReadTrimmedLine(card / "name"),   ReadTrimmedLine(card / "date")};
}

}  // namespace

TDiskPlace PlaceOfDisk(std::string_view devicePath, std::string_view diskName) {
  TDiskPlace place;
  std::string_view unit;
  for (std::size_t at = 0; at < devicePath.size();) {
    std::size_t end = devicePath.find('/', at);
    if (end == std::string_view::npos) end = devicePath.size();
    const std::string_view name = devicePath.substr(at, end - at);
    if (IsUsbPortName(name)) {
      place = {std::string(name), std::string(devicePath.substr(0, end))};
    } else if (IsMmcHostName(name)) {
      place = {std::string(name), {}};
    } else if (const auto scsiUnit = ScsiUnitOf(name)) {
      unit = *scsiUnit;
    }
    at = end + 1;
  }
  if (place.Slot.empty()) return {std::string(diskName), {}};
  if (!place.UsbDevice.empty() && !unit.empty() && unit != "0") place.Slot.append(":").append(unit);
  return place;
}

std::string TrimBlanks(std::string_view line) {
  const auto first = line.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(line.substr(first, line.find_last_not_of(' ') - first + 1));
}

std::uint64_t LeadingNumber(std::string_view line) {
  std::uint64_t value = 0;
  std::from_chars(line.data(), line.data() + line.size(), value);
  return value;
}

TDiskAttributes ReadDiskAttributes(const fs::path& diskDir) {
  TDiskAttributes disk;
  disk.Name = diskDir.filename().string();
  disk.Removable = ReadLeadingNumber(diskDir / "removable") == 1;
  disk.Major = static_cast<unsigned>(ReadLeadingNumber(diskDir / "dev"));
  disk.SizeSectors = ReadLeadingNumber(diskDir / "size");
  disk.MediaSequence = ReadLeadingNumber(diskDir / "diskseq");
  // `device` links to the parent device: the SCSI device of a USB reader or optical drive, the
  // card of an SD slot. Virtual disks (loop, ram, zram, dm) have none.
  const fs::path parent = diskDir / "device";
  disk.Bus = ReadSubsystemName(parent);
  disk.DeviceType = ReadFirstLine(parent / "type");
  // A USB reader names itself in its SCSI inquiry data; an SD card in a slot has its own name.
  disk.Vendor = ReadTrimmedLine(parent / "vendor");
  disk.Model = ReadTrimmedLine(parent / (disk.Bus == "mmc" ? "name" : "model"));
  std::error_code error;
  const TDiskPlace place = PlaceOfDisk(fs::canonical(diskDir, error).string(), disk.Name);
  disk.Slot = place.Slot;
  if (!place.UsbDevice.empty()) disk.Serial = ReadTrimmedLine(fs::path(place.UsbDevice) / "serial");
  if (disk.Bus == "mmc") disk.Card = ReadCardIdentity(parent);
  disk.Partitions = ReadPartitions(diskDir);
  return disk;
}

bool IsCardDrive(const TDiskAttributes& disk) {
  if (IsOpticalDrive(disk) || IsFloppyDrive(disk) || IsEmbeddedMmc(disk)) return false;
  // Card readers on USB report removable 1: a permanent disk whose medium comes and goes.
  // Built-in SD slots report 0 although their cards come and go: the mmc driver creates the disk
  // when a card goes in and deletes it when the card comes out, so it is never a disk without
  // its medium. Any card on the mmc bus counts.
  return disk.Removable || disk.Bus == "mmc";
}

std::vector<std::string> ListDriveEntries(const TDiskAttributes& disk) {
  // A reader without a card has size 0. It is still listed, as an empty card reader is on other
  // systems; partitions the kernel has not yet dropped after the card was pulled are ignored.
  if (disk.SizeSectors == 0 || disk.Partitions.empty()) return {disk.Name};
  std::vector<TPartitionAttributes> partitions = disk.Partitions;
  std::ranges::sort(partitions, {}, &TPartitionAttributes::Number);
  std::vector<std::string> entries;
  for (const TPartitionAttributes& partition : partitions) entries.push_back(partition.Name);
  return entries;
}

std::vector<TDriveDetails> ChooseDriveDetails(std::vector<TDiskAttributes> disks) {
  std::erase_if(disks, [](const TDiskAttributes& disk) { return !IsCardDrive(disk); });
  std::ranges::sort(disks, [](const TDiskAttributes& a, const TDiskAttributes& b) {
    return IsBeforeInNameOrder(a.Name, b.Name);
  });
  std::vector<TDriveDetails> drives;
  for (const TDiskAttributes& disk : disks) {
    for (const std::string& entry : ListDriveEntries(disk)) {
      std::uint64_t sectors = disk.SizeSectors;
      for (const TPartitionAttributes& partition : disk.Partitions)
        if (partition.Name == entry) sectors = partition.SizeSectors;
      drives.push_back({entry, sectors * 512, disk.Vendor, disk.Model, disk.Slot, disk.Serial,
                        disk.MediaSequence, disk.Card});
    }
  }
  return drives;
}

std::vector<std::string> ChooseDriveEntries(std::vector<TDiskAttributes> disks) {
  std::vector<std::string> entries;
  for (const TDriveDetails& drive : ChooseDriveDetails(std::move(disks)))
    entries.push_back(drive.Entry);
  return entries;
}

namespace {

std::vector<TDiskAttributes> ReadAllDisks(const fs::path& sysfsRoot) {
  std::vector<TDiskAttributes> disks;
  for (const fs::path& diskDir : ListDirectory(sysfsRoot / "block"))
    disks.push_back(ReadDiskAttributes(diskDir));
  return disks;
}

}  // namespace

std::vector<std::string> GetRemovableDrivesUnder(const fs::path& sysfsRoot) {
  return ChooseDriveEntries(ReadAllDisks(sysfsRoot));
}

std::vector<TDriveDetails> GetRemovableDriveDetailsUnder(const fs::path& sysfsRoot) {
  return ChooseDriveDetails(ReadAllDisks(sysfsRoot));
}

std::vector<std::string> GetRemovableDrives() {
  return GetRemovableDrivesUnder("/sys");
}

std::vector<TDriveDetails> GetRemovableDriveDetails() {
  return GetRemovableDriveDetailsUnder("/sys");
}

}  // namespace vorlane
