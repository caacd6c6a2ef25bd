#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "drives/Platform.h"
#include "drives/RemovableDrives.h"
#include "drives/linux/RemovableDrivesLinux.h"
#include "tests/drives/FakeSysfs.h"
#include "tests/support/LoopDevice.h"

namespace vorlane {
namespace {

using testing::TFakeDisk;
using testing::TFakePartition;
using testing::TFakeSysfs;
using TEntries = std::vector<std::string>;

// A multi-slot USB card reader: one SCSI device (LUN) per slot, each reporting removable 1.
TFakeDisk UsbReaderSlot(std::string name, int lun, std::uint64_t size,
                        std::vector<TFakePartition> partitions = {}) {
  return {.Name = name,
          .Parent = "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:" +
                    std::to_string(lun),
          .Subsystem = "bus/scsi",
          .Type = "0",
          .Removable = 1,
          .Dev = "8:" + std::to_string(16 * (lun + 1)),
          .Size = size,
          .Partitions = partitions};
}

// A card in a built-in slot (here a PCIe reader): on the mmc bus, removable 0.
TFakeDisk SdSlotCard(std::string name, int host, std::vector<TFakePartition> partitions = {}) {
  const std::string mmc = "mmc" + std::to_string(host);
  return {.Name = name,
          .Parent = "pci0000:00/0000:00:1c.0/0000:01:00.0/rtsx_pci_sdmmc.0/mmc_host/" + mmc + "/" +
                    mmc + ":aaaa",
          .Subsystem = "bus/mmc",
          .Type = "SD",
          .Dev = "179:" + std::to_string(8 * host),
          .Size = 62333952,
          .Partitions = partitions};
}

const TFakeDisk Emmc = {.Name = "mmcblk1",
                        .Parent = "platform/fe310000.mmc/mmc_host/mmc1/mmc1:0001",
                        .Subsystem = "bus/mmc",
                        .Type = "MMC",
                        .Dev = "179:32",
                        .Size = 30535680,
                        .Partitions = {{"mmcblk1p1", 1}}};
const TFakeDisk Optical = {.Name = "sr0",
                           .Parent = "pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0",
                           .Subsystem = "bus/scsi",
                           .Type = "5",
                           .Removable = 1,
                           .Dev = "11:0",
                           .Size = 9180416};
// SCSI peripheral type 4: a write-once (WORM) drive, served by the same driver as CD drives.
const TFakeDisk WriteOnce = {.Name = "sr1",
                             .Parent = "pci0000:00/0000:00:1f.2/ata3/host2/target2:0:0/2:0:0:0",
                             .Subsystem = "bus/scsi",
                             .Type = "4",
                             .Removable = 1,
                             .Dev = "11:1",
                             .Size = 1269600};
const TFakeDisk Floppy = {.Name = "fd0",
                          .Parent = "platform/floppy.0",
                          .Subsystem = "bus/platform",
                          .Removable = 1,
                          .Dev = "2:0",
                          .Size = 2880};
const TFakeDisk Loop = {.Name = "loop0", .Dev = "7:0", .Size = 2048};
const TFakeDisk Nvme = {.Name = "nvme0n1",
                        .Parent = "pci0000:00/0000:00:1d.0/0000:3d:00.0/nvme/nvme0",
                        .Subsystem = "class/nvme",
                        .Dev = "259:0",
                        .Size = 1000215216,
                        .Partitions = {{"nvme0n1p1", 1}, {"nvme0n1p2", 2}}};
const TFakeDisk Sata = {.Name = "sda",
                        .Parent = "pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0",
                        .Subsystem = "bus/scsi",
                        .Type = "0",
                        .Dev = "8:0",
                        .Size = 500118192,
                        .Partitions = {{"sda1", 1}}};

TEntries ScanTree(const std::vector<TFakeDisk>& disks) {
  TFakeSysfs sysfs;
  for (const TFakeDisk& disk : disks) sysfs.AddDisk(disk);
  return GetRemovableDrivesUnder(sysfs.Root());
}

TEST(RemovableDrivesTest, ListsCardDrivesOnly) {
  struct TCase {
    const char* Title;
    TFakeDisk Disk;
    TEntries Expected;
  };
  const TCase cases[] = {
      {"reader with a partitioned card",
       UsbReaderSlot("sdb", 0, 31116288, {{"sdb2", 2}, {"sdb1", 1}}),
       {"sdb1", "sdb2"}},
      {"partitions by number, not name",
       UsbReaderSlot("sdb", 0, 31116288, {{"sdb10", 10}, {"sdb2", 2}, {"sdb1", 1}}),
       {"sdb1", "sdb2", "sdb10"}},
      {"reader without a card", UsbReaderSlot("sdb", 0, 0), {"sdb"}},
      {"card pulled, partitions not yet dropped",
       UsbReaderSlot("sdb", 0, 0, {{"sdb1", 1}}),
       {"sdb"}},
      {"unpartitioned card", UsbReaderSlot("sdb", 0, 3862528), {"sdb"}},
      {"built-in SD slot", SdSlotCard("mmcblk0", 0, {{"mmcblk0p1", 1}}), {"mmcblk0p1"}},
      {"soldered eMMC", Emmc, {}},
      {"optical drive", Optical, {}},
      {"write-once drive", WriteOnce, {}},
      {"floppy drive", Floppy, {}},
      {"loop device", Loop, {}},
      {"NVMe system disk", Nvme, {}},
      {"SATA system disk", Sata, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Title);
    EXPECT_EQ(ScanTree({c.Disk}), c.Expected);
  }
}

TEST(RemovableDrivesTest, OrdersByDiskNameThenPartitionNumber) {
  const std::vector<TFakeDisk> disks = {
      UsbReaderSlot("sdc", 1, 3862528, {{"sdc1", 1}}),
      Optical,
      SdSlotCard("mmcblk10", 10),
      Sata,
      UsbReaderSlot("sdb", 0, 0),
      Floppy,
      Loop,
      Emmc,
      SdSlotCard("mmcblk2", 2, {{"mmcblk2p2", 2}, {"mmcblk2p1", 1}}),
      Nvme};
  EXPECT_EQ(ScanTree(disks), (TEntries{"mmcblk2p1", "mmcblk2p2", "mmcblk10", "sdb", "sdc1"}));
}

// The tooltip and the command line tell cards apart by size and the reader's maker and model.
TEST(RemovableDrivesTest, DetailsGiveEachEntrysSizeVendorAndModel) {
  TFakeSysfs sysfs;
  TFakeDisk reader = UsbReaderSlot("sdb", 0, 15523840, {{"sdb1", 1}});
  reader.Vendor = "Generic ";
  reader.Model = "STORAGE DEVICE  ";
  TFakeDisk slot = SdSlotCard("mmcblk0", 0);
  slot.Model = "SD32G";
  for (const TFakeDisk& disk : {reader, slot, Sata}) sysfs.AddDisk(disk);

  const std::vector<TDriveDetails> drives = GetRemovableDriveDetailsUnder(sysfs.Root());
  ASSERT_EQ(drives.size(), 2u);
  EXPECT_EQ(drives[0].Entry, "mmcblk0");
  EXPECT_EQ(drives[0].SizeBytes, 62333952ull * 512);
  EXPECT_EQ(drives[0].Model, "SD32G");
  EXPECT_EQ(drives[1].Entry, "sdb1");
  EXPECT_EQ(drives[1].SizeBytes, 15523840ull / 2 * 512) << "the partition's own size";
  EXPECT_EQ(DescribeDrive(drives[1]), "4.0 GB \u00b7 Generic STORAGE DEVICE");
  EXPECT_EQ(DescribeDrive({"sdc", 0, "", ""}), "no card");
}

// A card swapped in a reader that stays plugged in shows only once the reader is asked: every
// reader is, and nothing else; a look that brings a new medium is told.
TEST(RemovableDrivesTest, AsksEachReaderForNewMediaAndTellsWhenOneCame) {
  TFakeSysfs sysfs;
  for (const TFakeDisk& disk : {UsbReaderSlot("sdb", 0, 0), UsbReaderSlot("sdc", 1, 3862528),
                                SdSlotCard("mmcblk0", 0), Optical, Floppy, Loop, Sata})
    sysfs.AddDisk(disk);
  TEntries asked;
  EXPECT_FALSE(LookForNewMediaUnder(sysfs.Root(), [&](const std::string& disk) {
    asked.push_back(disk);
  })) << "no medium changed";
  std::ranges::sort(asked);
  EXPECT_EQ(asked, (TEntries{"sdb", "sdc"}));

  for (const char* attribute : {"diskseq", "size"}) {
    SCOPED_TRACE(attribute);
    EXPECT_TRUE(LookForNewMediaUnder(sysfs.Root(), [&](const std::string& disk) {
      if (disk == "sdb") std::ofstream(sysfs.Root() / "block/sdb" / attribute) << "77\n";
    }));
  }
}

TEST(RemovableDrivesTest, GivesNoEntriesWithoutSysfs) {
  EXPECT_TRUE(GetRemovableDrivesUnder("/nonexistent-sysfs").empty());
}

// Outcomes the child process reports through its exit status.
enum TChildOutcome { Listed = 0, NotListed = 1, NamespaceFailed = 2, OpenFailed = 3 };

// In a private mount namespace, a file holding "1" bind-mounted over the loop device's
// `removable` attribute makes it look like a card reader to the scan, and to nothing else.
int ScanWithLoopMadeRemovable(const std::string& name, const std::string& oneFile) {
  const pid_t child = fork();
  if (child == 0) {
    const std::string attribute = "/sys/block/" + name + "/removable";
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount(oneFile.c_str(), attribute.c_str(), nullptr, MS_BIND, nullptr) != 0) {
      _exit(NamespaceFailed);
    }
    const TEntries entries = GetRemovableDrives();
    if (std::ranges::count(entries, name) != 1) _exit(NotListed);
    _exit(OpenVolume(VolumePathFor(name)).Volume ? Listed : OpenFailed);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST(RemovableDrivesTest, FindsLoopDeviceMadeRemovable) {
  auto loop = vorlane::testing::TLoopDevice::Attach(8 << 20);
  if (!loop) GTEST_SKIP() << "needs root and loop devices";
  const std::string name = loop->KernelName();
  EXPECT_EQ(std::ranges::count(GetRemovableDrives(), name), 0) << "loop devices are fixed";

  const std::string oneFile = loop->BackingFile().string() + ".removable";
  std::ofstream(oneFile) << "1\n";
  const int outcome = ScanWithLoopMadeRemovable(name, oneFile);
  std::filesystem::remove(oneFile);
  if (outcome == NamespaceFailed) GTEST_SKIP() << "cannot bind-mount over sysfs here";
  EXPECT_EQ(outcome, Listed);
}

}  // namespace
}  // namespace vorlane
