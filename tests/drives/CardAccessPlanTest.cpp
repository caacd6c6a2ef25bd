// What comes off a card before it is written, and what each answer of the disk service leads to.
#include "drives/linux/CardAccessPlan.h"

#include <gtest/gtest.h>

namespace vorlane {
namespace {

using TStrings = std::vector<std::string>;

const std::string Blocks = "/org/freedesktop/UDisks2/block_devices/";

TServiceBlock Block(const std::string& name, const std::string& disk, bool mounted) {
  return {Blocks + name, disk.empty() ? "" : Blocks + disk, mounted};
}

// A card reader's disk with three partitions, a second card and the system disk.
const std::vector<TServiceBlock> Desktop = {
    Block("sda", "", false),    Block("sda1", "sda", true),  Block("sdb", "", false),
    Block("sdb1", "sdb", true), Block("sdb2", "sdb", false), Block("sdb3", "sdb", true),
    Block("sdc1", "sdc", true),
};

TEST(FileSystemsToUnmount, WholeDiskEntryTakesOffEveryMountedPartitionOfThatDiskOnly) {
  EXPECT_EQ(FileSystemsToUnmount(Blocks + "sdb", Desktop),
            (TStrings{Blocks + "sdb1", Blocks + "sdb3"}));
}

TEST(FileSystemsToUnmount, PartitionEntryTakesOffItsOwnFileSystemAndLeavesItsNeighbours) {
  EXPECT_EQ(FileSystemsToUnmount(Blocks + "sdb1", Desktop), (TStrings{Blocks + "sdb1"}));
  EXPECT_EQ(FileSystemsToUnmount(Blocks + "sdb2", Desktop), TStrings{}) << "sdb2 is not mounted";
}

TEST(FileSystemsToUnmount, UnpartitionedCardTakesOffTheFileSystemOnTheDiskItself) {
  const std::vector<TServiceBlock> blocks = {Block("sdd", "", true), Block("sda1", "sda", true)};
  EXPECT_EQ(FileSystemsToUnmount(Blocks + "sdd", blocks), (TStrings{Blocks + "sdd"}));
}

// /proc/self/mountinfo of a desktop that automounted a card with two partitions, one of them
// also bind-mounted, next to the system disk (8:1) and a partition numbered like the card's.
constexpr const char* MountInfo =
    "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "25 22 0:21 / /proc rw,nosuid shared:12 - proc proc rw\n"
    "40 22 8:17 / /media/ann/MY\\040CARD rw,nosuid shared:20 - vfat /dev/sdb1 rw\n"
    "41 22 8:18 / /media/ann/DATA rw,nosuid shared:21 - vfat /dev/sdb2 rw\n"
    "42 22 7:17 / /mnt/loop rw shared:22 - ext4 /dev/loop17 rw\n"
    "43 22 8:17 /music /home/ann/music rw shared:20 - vfat /dev/sdb1 rw\n";

TEST(MountTable, GivesTheCardsMountPointsUnescapedLatestFirst) {
  const std::vector<TMount> mounts = ParseMountInfo(MountInfo);
  ASSERT_EQ(mounts.size(), 6u);
  EXPECT_EQ(mounts[2].Device, (TDeviceNumber{8, 17}));
  EXPECT_EQ(mounts[2].MountPoint, "/media/ann/MY CARD");
  EXPECT_EQ(MountPointsOf(mounts, {{8, 17}}), (TStrings{"/home/ann/music", "/media/ann/MY CARD"}));
  EXPECT_EQ(MountPointsOf(mounts, {{8, 16}, {8, 17}, {8, 18}}),
            (TStrings{"/home/ann/music", "/media/ann/DATA", "/media/ann/MY CARD"}));
  EXPECT_EQ(MountPointsOf(mounts, {{8, 16}}), TStrings{}) << "the disk itself is not mounted";
}

TEST(MountTable, ReadsDeviceNumbersAsTheKernelWritesThem) {
  EXPECT_EQ(ParseDeviceNumber("179:0"), (TDeviceNumber{179, 0}));
  EXPECT_EQ(ParseDeviceNumber("259:12"), (TDeviceNumber{259, 12}));
  for (const char* bad : {"", "8", "8:", ":1", "8:1x", "sdb"})
    EXPECT_FALSE(ParseDeviceNumber(bad)) << bad;
  EXPECT_TRUE(ParseMountInfo("garbage line\n").empty());
}

std::error_code ServiceError(const std::string& name) {
  return MakeDiskServiceError(name, "text").Code;
}

TEST(DiskServiceErrors, EachDBusAnswerIsToldApart) {
  using enum TDiskServiceAnswer;
  const std::vector<std::pair<std::string, TDiskServiceAnswer>> answers = {
      {"org.freedesktop.UDisks2.Error.NotAuthorized", NotAuthorized},
      {"org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain", NotAuthorized},
      {"org.freedesktop.UDisks2.Error.NotAuthorizedDismissed", NotAuthorized},
      {"org.freedesktop.DBus.Error.AccessDenied", NotAuthorized},
      {"org.freedesktop.UDisks2.Error.DeviceBusy", Busy},
      {"org.freedesktop.UDisks2.Error.NotMounted", NotMounted},
      {"org.freedesktop.DBus.Error.UnknownObject", NoSuchDevice},
      {"org.freedesktop.DBus.Error.UnknownMethod", NoSuchDevice},
      {"org.freedesktop.DBus.Error.ServiceUnknown", ServiceMissing},
      {"org.freedesktop.DBus.Error.NameHasNoOwner", ServiceMissing},
      {"org.freedesktop.DBus.Error.NoServer", ServiceMissing},
      {"org.freedesktop.DBus.Error.Spawn.ChildExited", ServiceMissing},
      {"org.freedesktop.UDisks2.Error.Failed", Other},
      {"org.freedesktop.DBus.Error.NoReply", Other},
  };
  for (const auto& [name, answer] : answers) {
    EXPECT_EQ(ClassifyDBusError(name), answer) << name;
    EXPECT_EQ(AnswerOf(ServiceError(name)), answer) << name;
  }
  EXPECT_EQ(AnswerOf(std::make_error_code(std::errc::device_or_resource_busy)), Other)
      << "only the service's own errors carry its answers";
}

TEST(DiskServiceErrors, LogLineGetsTheErrorsNameAndMessage) {
  const TServiceFailure busyFailure = MakeDiskServiceError(
      "org.freedesktop.UDisks2.Error.DeviceBusy", "Error unmounting /dev/sdb1: target is busy");
  const TServiceFailure refusedFailure =
      MakeDiskServiceError("org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain",
                           "Not authorized to perform operation");
  EXPECT_EQ(busyFailure.Text,
            "org.freedesktop.UDisks2.Error.DeviceBusy: Error unmounting /dev/sdb1: target is busy");
  EXPECT_EQ(refusedFailure.Text,
            "org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain: Not authorized to perform "
            "operation");
  const std::error_code busy = busyFailure.Code, refused = refusedFailure.Code;
  EXPECT_EQ(busy, std::errc::device_or_resource_busy);
  EXPECT_EQ(refused, std::errc::permission_denied);
  EXPECT_NE(refused, std::errc::device_or_resource_busy);
  EXPECT_EQ(ServiceError("org.freedesktop.DBus.Error.UnknownObject"), std::errc::no_such_device);
  EXPECT_TRUE(busy) << "an error must never read as success";
}

TEST(OpenRoute, WhatTheAnswerToWhichDeviceLeadsTo) {
  const std::error_code missing = ServiceError("org.freedesktop.DBus.Error.ServiceUnknown");
  const std::error_code unknown = ServiceError("org.freedesktop.UDisks2.Error.NotFound");
  const std::error_code refused = ServiceError("org.freedesktop.UDisks2.Error.NotAuthorized");
  for (bool isRoot : {false, true}) {
    EXPECT_EQ(ChooseOpenRoute({}, isRoot), TOpenRoute::DiskService);
    EXPECT_EQ(ChooseOpenRoute(missing, isRoot), TOpenRoute::OnOurOwn);
  }
  EXPECT_EQ(ChooseOpenRoute(unknown, false), TOpenRoute::Refuse);
  EXPECT_EQ(ChooseOpenRoute(refused, false), TOpenRoute::Refuse);
  EXPECT_EQ(ChooseOpenRoute(unknown, true), TOpenRoute::OnOurOwn);
  EXPECT_EQ(ChooseOpenRoute(refused, true), TOpenRoute::OnOurOwn);
}

TEST(OpenRoute, OnlyAnUnmountThatLeftNothingMountedLetsTheJobGoOn) {
  EXPECT_TRUE(UnmountLetsJobGoOn({}));
  EXPECT_TRUE(UnmountLetsJobGoOn(ServiceError("org.freedesktop.UDisks2.Error.NotMounted")));
  for (const char* name :
       {"org.freedesktop.UDisks2.Error.DeviceBusy", "org.freedesktop.UDisks2.Error.NotAuthorized",
        "org.freedesktop.DBus.Error.UnknownObject", "org.freedesktop.DBus.Error.ServiceUnknown",
        "org.freedesktop.UDisks2.Error.Failed"})
    EXPECT_FALSE(UnmountLetsJobGoOn(ServiceError(name))) << name;
}

TEST(OpenRoute, WithoutTheServiceARefusedPermissionIsReportedAsTheMissingService) {
  const std::error_code missing = ServiceError("org.freedesktop.DBus.Error.NoServer");
  const auto system = [](std::errc code) { return std::make_error_code(code); };
  EXPECT_EQ(ExplainWithoutService(system(std::errc::permission_denied), missing), missing);
  EXPECT_EQ(ExplainWithoutService(system(std::errc::operation_not_permitted), missing), missing);
  for (std::errc kept : {std::errc::device_or_resource_busy, std::errc::no_such_device,
                         std::errc::read_only_file_system})
    EXPECT_EQ(ExplainWithoutService(system(kept), missing), system(kept));
  EXPECT_FALSE(ExplainWithoutService({}, missing)) << "an open that worked stays a success";
}

}  // namespace
}  // namespace vorlane
