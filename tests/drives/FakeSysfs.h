// A sysfs tree in a temporary directory, laid out as the kernel lays it out: a disk's attributes
// live in devices/<parent>/block/<disk>, block/<disk> links there, the disk's `device` link leads
// to its parent device, and the parent's `subsystem` link names its bus.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vorlane::testing {

struct TFakePartition {
  std::string Name;
  unsigned Number = 0;
};

struct TFakeDisk {
  std::string Name{};
  std::string Parent{};     // parent device under devices/; empty for a virtual disk (loop, zram)
  std::string Subsystem{};  // where the parent's `subsystem` link points: "bus/scsi", "class/nvme"
  std::string Type{};       // the parent's `type` attribute; empty for none
  int Removable = 0;
  std::string Dev{};  // "major:minor"
  std::uint64_t Size = 0;
  std::vector<TFakePartition> Partitions{};
  std::string Vendor{};  // the parent's `vendor`, padded as SCSI pads it; empty for none
  std::string Model{};   // the parent's `model` (`name` on the mmc bus); empty for none
};

class TFakeSysfs {
 public:
  TFakeSysfs();
  ~TFakeSysfs();
  TFakeSysfs(const TFakeSysfs&) = delete;
  TFakeSysfs& operator=(const TFakeSysfs&) = delete;

  void AddDisk(const TFakeDisk& disk);
  const std::filesystem::path& Root() const { return RootDir; }

 private:
  void AddParentDevice(const TFakeDisk& disk, const std::filesystem::path& diskDir);
  std::filesystem::path RootDir;
};

}  // namespace vorlane::testing
