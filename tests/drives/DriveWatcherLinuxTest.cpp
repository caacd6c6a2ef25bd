// Which kernel events move the drive list, and the watcher on a real kernel.
#include "drives/linux/DriveWatcherLinux.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "drives/DriveWatcher.h"
#include "tests/support/LoopDevice.h"

namespace vorlane {
namespace {

using namespace std::chrono_literals;

// A kernel uevent as it comes off the socket: NUL-separated fields after an "action@devpath"
// header.
std::string Uevent(std::initializer_list<std::string> fields) {
  std::string message;
  for (const std::string& field : fields) message += field + '\0';
  return message;
}

std::string BlockEvent(const std::string& action, const std::string& devType) {
  const std::string path = "/devices/pci0000:00/0000:00:14.0/usb1/1-2/host6/block/sdb";
  return Uevent({action + "@" + path, "ACTION=" + action, "DEVPATH=" + path, "SUBSYSTEM=block",
                 "DEVNAME=sdb", "DEVTYPE=" + devType, "SEQNUM=4711"});
}

TEST(DriveListEvents, DisksAndPartitionsComingGoingOrChangingCount) {
  for (const char* action : {"add", "remove", "change", "move"})
    for (const char* devType : {"disk", "partition"})
      EXPECT_TRUE(IsDriveListEvent(BlockEvent(action, devType))) << action << " " << devType;
}

TEST(DriveListEvents, OtherEventsDoNot) {
  EXPECT_FALSE(IsDriveListEvent(BlockEvent("online", "disk")));
  EXPECT_FALSE(IsDriveListEvent(Uevent(
      {"add@/devices/pci0000:00/usb1/1-2", "ACTION=add", "SUBSYSTEM=usb", "DEVTYPE=usb_device"})))
      << "the USB reader itself is no block device";
  EXPECT_FALSE(
      IsDriveListEvent(Uevent({"add@/devices/virtual/bdi/7:0", "ACTION=add", "SUBSYSTEM=bdi"})));
  EXPECT_FALSE(IsDriveListEvent(Uevent({"add@/devices/x", "ACTION=add", "SUBSYSTEM=blocks"})));
  EXPECT_FALSE(IsDriveListEvent(Uevent({"add@/devices/x", "SUBSYSTEM=block"}))) << "no action";
  EXPECT_FALSE(
      IsDriveListEvent(Uevent({"libudev", "ACTION=add", "SUBSYSTEM=block", "DEVTYPE=disk"})))
      << "udev's re-broadcast, not the kernel's message";
  EXPECT_FALSE(IsDriveListEvent(""));
}

TEST(DriveListEvents, KeysAreMatchedWhole) {
  EXPECT_FALSE(IsDriveListEvent(
      Uevent({"add@/devices/x", "ACTION=add", "PARENT_SUBSYSTEM=block", "SUBSYSTEM=scsi"})));
  EXPECT_FALSE(IsDriveListEvent(
      Uevent({"add@/devices/x", "OLD_ACTION=add", "ACTION=bind", "SUBSYSTEM=block"})));
}

TEST(DriveWatcher, StopsWhenDestroyedWithoutCallingAfterwards) {
  std::atomic<int> calls = 0;
  auto watcher = WatchDriveChanges([&] { ++calls; });
  ASSERT_NE(watcher, nullptr) << "uevent sockets need no privilege";
  watcher.reset();
  const int seen = calls;
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(calls, seen);
}

// Writing "add" to a device's uevent file makes the kernel announce the device again.
TEST(DriveWatcher, ReactsToARealKernelEvent) {
  auto loop = testing::TLoopDevice::Attach(1 << 20);
  if (!loop) GTEST_SKIP() << "needs root and loop devices";
  std::atomic<int> calls = 0;
  auto watcher = WatchDriveChanges([&] { ++calls; });
  ASSERT_NE(watcher, nullptr);
  std::ofstream("/sys/block/" + loop->KernelName() + "/uevent") << "add";
  const auto end = std::chrono::steady_clock::now() + 5s;
  while (calls == 0 && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(10ms);
  EXPECT_GT(calls, 0) << "no call within 5 s of the event";
}

}  // namespace
}  // namespace vorlane
