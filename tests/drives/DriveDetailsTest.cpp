// The size, maker and model behind each drive list entry, read from fake sysfs trees.
#include <gtest/gtest.h>

#include <fstream>

#include "drives/RemovableDrives.h"
#include "drives/linux/RemovableDrivesLinux.h"
#include "tests/drives/FakeSysfs.h"

namespace vorlane {
namespace {

using testing::TFakeDisk;
using testing::TFakeSysfs;

// A two-slot USB reader as the kernel shows it: SCSI inquiry strings padded to 8 and 16 bytes.
TFakeDisk ReaderSlot(const std::string& name, int lun, std::uint64_t size) {
  return {.Name = name,
          .Parent = "pci0000:00/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:" + std::to_string(lun),
          .Subsystem = "bus/scsi",
          .Type = "0",
          .Removable = 1,
          .Dev = "8:" + std::to_string(16 * (lun + 1)),
          .Size = size,
          .Vendor = "Generic ",
          .Model = "STORAGE DEVICE  "};
}

void SetPartitionSize(const TFakeSysfs& sysfs, const std::string& disk, const std::string& part,
                      std::uint64_t sectors) {
  std::ofstream(sysfs.Root() / "block" / disk / part / "size") << sectors << '\n';
}

TEST(DriveDetails, EachPartitionGetsItsOwnSizeAndItsReadersNames) {
  TFakeSysfs sysfs;
  TFakeDisk card = ReaderSlot("sdb", 0, 31116288);  // a "16 GB" card: 15.9 GB
  card.Partitions = {{"sdb2", 2}, {"sdb1", 1}};
  sysfs.AddDisk(card);
  SetPartitionSize(sysfs, "sdb", "sdb1", 2048);
  SetPartitionSize(sysfs, "sdb", "sdb2", 31112192);

  const std::vector<TDriveDetails> drives = GetRemovableDriveDetailsUnder(sysfs.Root());
  ASSERT_EQ(drives.size(), 2u);
  EXPECT_EQ(drives[0].Entry, "sdb1");
  EXPECT_EQ(drives[0].SizeBytes, 1048576u);
  EXPECT_EQ(drives[1].Entry, "sdb2");
  EXPECT_EQ(drives[1].SizeBytes, 15929442304u);
  for (const TDriveDetails& drive : drives) {
    EXPECT_EQ(drive.Vendor, "Generic");
    EXPECT_EQ(drive.Model, "STORAGE DEVICE");
  }
  EXPECT_EQ(DescribeDrive(drives[1]), "15.9 GB \u00b7 Generic STORAGE DEVICE");
}

TEST(DriveDetails, EmptySlotShowsNoSizeButStillNamesTheReader) {
  TFakeSysfs sysfs;
  TFakeDisk empty = ReaderSlot("sdc", 1, 0);
  empty.Partitions = {{"sdc1", 1}};  // left behind by the card just pulled
  sysfs.AddDisk(empty);
  const std::vector<TDriveDetails> drives = GetRemovableDriveDetailsUnder(sysfs.Root());
  ASSERT_EQ(drives.size(), 1u);
  EXPECT_EQ(drives[0].Entry, "sdc");
  EXPECT_EQ(drives[0].SizeBytes, 0u);
  EXPECT_EQ(DescribeDrive(drives[0]), "no card \u00b7 Generic STORAGE DEVICE");
}

TEST(DriveDetails, BlankOrMissingNamesStayEmptyAndInnerBlanksStay) {
  TFakeSysfs sysfs;
  TFakeDisk anonymous = ReaderSlot("sdb", 0, 7744512);
  anonymous.Vendor = "        ";
  anonymous.Model = " Multi  Card   ";
  TFakeDisk bare = ReaderSlot("sdd", 2, 7744512);
  bare.Vendor.clear();
  bare.Model.clear();
  sysfs.AddDisk(anonymous);
  sysfs.AddDisk(bare);
  const std::vector<TDriveDetails> drives = GetRemovableDriveDetailsUnder(sysfs.Root());
  ASSERT_EQ(drives.size(), 2u);
  EXPECT_EQ(drives[0].Vendor, "");
  EXPECT_EQ(drives[0].Model, "Multi  Card");
  EXPECT_EQ(DescribeDrive(drives[0]), "4.0 GB \u00b7 Multi  Card");
  EXPECT_EQ(drives[1].Vendor, "");
  EXPECT_EQ(drives[1].Model, "");
  EXPECT_EQ(DescribeDrive(drives[1]), "4.0 GB");
  EXPECT_EQ(GetRemovableDrivesUnder(sysfs.Root()), (std::vector<std::string>{"sdb", "sdd"}))
      << "the details list follows the drive list";
}

// A station names each reader by where it is plugged in, so a slot keeps its name while cards
// come and go and the kernel hands out other disk names.
TEST(DriveDetails, SlotIsTheReadersPlaceAndItsSerialComesFromTheUsbDevice) {
  TFakeSysfs sysfs;
  sysfs.AddDisk(ReaderSlot("sdb", 0, 7744512));
  sysfs.AddDisk(ReaderSlot("sdc", 1, 7744512));
  sysfs.AddDisk({.Name = "mmcblk0",
                 .Parent = "platform/fe320000.mmc/mmc_host/mmc0/mmc0:59b4",
                 .Subsystem = "bus/mmc",
                 .Type = "SD",
                 .Dev = "179:0",
                 .Size = 15523840,
                 .Model = "SU08G"});
  std::ofstream(sysfs.Root() / "devices/pci0000:00/usb2/2-1/serial") << "0123456789AB\n";
  std::ofstream(sysfs.Root() / "block/sdb/diskseq") << "17\n";
  std::ofstream(sysfs.Root() / "devices/platform/fe320000.mmc/mmc_host/mmc0/mmc0:59b4/serial")
      << "0x1a2b3c4d\n";
  const std::vector<TDriveDetails> drives = GetRemovableDriveDetailsUnder(sysfs.Root());
  ASSERT_EQ(drives.size(), 3u);
  EXPECT_EQ(drives[0].Slot, "mmc0");
  EXPECT_EQ(drives[0].Card.Serial, "0x1a2b3c4d");
  EXPECT_EQ(drives[0].Serial, "") << "a card's serial is not its reader's";
  EXPECT_EQ(drives[1].Slot, "2-1");
  EXPECT_EQ(drives[1].Serial, "0123456789AB");
  EXPECT_EQ(drives[1].MediaSequence, 17u) << "tells a card from the next one put in";
  EXPECT_EQ(drives[2].Slot, "2-1:1") << "a reader's second unit is a slot of its own";
  EXPECT_EQ(drives[2].Card.Cid, "") << "a USB reader does not show the card's registers";
}

TEST(DriveDetails, DiskOnNoPortIsItsOwnSlot) {
  EXPECT_EQ(PlaceOfDisk("/sys/devices/virtual/block/loop3", "loop3").Slot, "loop3");
  // A hub's port inside a port, and a bus number above 9.
  const TDiskPlace hub = PlaceOfDisk(
      "/sys/devices/pci0000:00/0000:00:14.0/usb10/10-2/10-2.4/10-2.4:1.0/host7/"
      "target7:0:0/7:0:0:0/block/sdd",
      "sdd");
  EXPECT_EQ(hub.Slot, "10-2.4");
  EXPECT_EQ(hub.UsbDevice, "/sys/devices/pci0000:00/0000:00:14.0/usb10/10-2/10-2.4");
}

}  // namespace
}  // namespace vorlane
