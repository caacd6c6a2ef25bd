#include "tests/drives/FakeSysfs.h"

#include <stdlib.h>

#include <fstream>

namespace vorlane::testing {
namespace fs = std::filesystem;
namespace {

void WriteAttribute(const fs::path& file, const std::string& value) {
  std::ofstream(file) << value << '\n';
}

// Sysfs links are relative ("../../bus/scsi"), so the tree works wherever it sits.
void LinkRelative(const fs::path& link, const fs::path& target) {
  fs::create_directories(link.parent_path());
  if (!fs::is_symlink(link))
    fs::create_directory_symlink(target.lexically_relative(link.parent_path()), link);
}

}  // namespace

TFakeSysfs::TFakeSysfs() {
  char pattern[] = "/tmp/vorlane-sysfs-XXXXXX";
  RootDir = mkdtemp(pattern);
}

TFakeSysfs::~TFakeSysfs() {
  std::error_code ignored;
  fs::remove_all(RootDir, ignored);
}

void TFakeSysfs::AddDisk(const TFakeDisk& disk) {
  const fs::path parent = RootDir / "devices" / (disk.Parent.empty() ? "virtual" : disk.Parent);
  const fs::path diskDir = parent / "block" / disk.Name;
  fs::create_directories(diskDir / "queue");  // a subdirectory that is no partition
  WriteAttribute(diskDir / "removable", std::to_string(disk.Removable));
  WriteAttribute(diskDir / "size", std::to_string(disk.Size));
  WriteAttribute(diskDir / "dev", disk.Dev);
  LinkRelative(diskDir / "subsystem", RootDir / "class/block");  // the disk's own class
  LinkRelative(RootDir / "block" / disk.Name, diskDir);
  if (!disk.Parent.empty()) AddParentDevice(disk, diskDir);
  for (const TFakePartition& partition : disk.Partitions) {
    fs::create_directories(diskDir / partition.Name);
    WriteAttribute(diskDir / partition.Name / "partition", std::to_string(partition.Number));
    WriteAttribute(diskDir / partition.Name / "size", std::to_string(disk.Size / 2));
  }
}

void TFakeSysfs::AddParentDevice(const TFakeDisk& disk, const fs::path& diskDir) {
  const fs::path parent = RootDir / "devices" / disk.Parent;
  fs::create_directories(RootDir / disk.Subsystem);
  LinkRelative(parent / "subsystem", RootDir / disk.Subsystem);
  LinkRelative(diskDir / "device", parent);
  if (!disk.Type.empty()) WriteAttribute(parent / "type", disk.Type);
  if (!disk.Vendor.empty()) WriteAttribute(parent / "vendor", disk.Vendor);
  const bool mmc = disk.Subsystem == "bus/mmc";
  if (!disk.Model.empty()) WriteAttribute(parent / (mmc ? "name" : "model"), disk.Model);
}

}  // namespace vorlane::testing
