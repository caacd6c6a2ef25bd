// Which device-change messages refresh the drive list, and the real watcher hearing them.
#include "drives/windows/DriveWatcherWindows.h"

#include <dbt.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "drives/DriveWatcher.h"

namespace vorlane {
namespace {

DEV_BROADCAST_VOLUME Volume() {
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof volume;
  volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  volume.dbcv_unitmask = 1u << ('E' - 'A');
  volume.dbcv_flags = DBTF_MEDIA;  // a card put into a reader
  return volume;
}

DEV_BROADCAST_PORT_A Port() {
  DEV_BROADCAST_PORT_A port{};
  port.dbcp_size = sizeof port;
  port.dbcp_devicetype = DBT_DEVTYP_PORT;
  return port;
}

LPARAM Points(const void* header) {
  return reinterpret_cast<LPARAM>(header);
}

TEST(IsDriveListChange, VolumesArrivingAndRemovedRefreshTheList) {
  const DEV_BROADCAST_VOLUME volume = Volume();
  EXPECT_TRUE(IsDriveListChange(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, Points(&volume)));
  EXPECT_TRUE(IsDriveListChange(0x0219, 0x8004, Points(&volume)))
      << "WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE";
}

TEST(IsDriveListChange, OtherDevicesStepsAndMessagesDoNot) {
  const DEV_BROADCAST_VOLUME volume = Volume();
  const DEV_BROADCAST_PORT_A port = Port();
  EXPECT_FALSE(IsDriveListChange(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, Points(&port)));
  EXPECT_FALSE(IsDriveListChange(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, Points(&port)));
  // Asked before removal, and pending: the volume is still there.
  EXPECT_FALSE(IsDriveListChange(WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE, Points(&volume)));
  EXPECT_FALSE(IsDriveListChange(WM_DEVICECHANGE, DBT_DEVICEREMOVEPENDING, Points(&volume)));
  EXPECT_FALSE(IsDriveListChange(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0)) << "no header to read";
  EXPECT_FALSE(IsDriveListChange(WM_SIZE, DBT_DEVICEARRIVAL, Points(&volume)));
}

// Windows sends these to every top-level window, as here; the watcher's callback has run when
// the sending returns, on the watcher's own thread.
LRESULT Broadcast(WPARAM event, const void* header) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(HWND_BROADCAST, WM_DEVICECHANGE, event, Points(header),
                             SMTO_ABORTIFHUNG, 5000, &result);
}

TEST(WatchDriveChanges, HearsVolumesComeAndGoUntilItIsDestroyed) {
  std::atomic<int> changes = 0;
  std::atomic<bool> onItsOwnThread = true;
  const std::thread::id testThread = std::this_thread::get_id();
  auto watcher = WatchDriveChanges([&] {
    ++changes;
    onItsOwnThread = onItsOwnThread && std::this_thread::get_id() != testThread;
  });
  ASSERT_NE(watcher, nullptr);
  const DEV_BROADCAST_VOLUME volume = Volume();
  const DEV_BROADCAST_PORT_A port = Port();

  ASSERT_TRUE(Broadcast(DBT_DEVICEARRIVAL, &volume));
  EXPECT_EQ(changes, 1);
  ASSERT_TRUE(Broadcast(DBT_DEVICEARRIVAL, &port));
  EXPECT_EQ(changes, 1);
  ASSERT_TRUE(Broadcast(DBT_DEVICEREMOVECOMPLETE, &volume));
  EXPECT_EQ(changes, 2);
  EXPECT_TRUE(onItsOwnThread);

  watcher.reset();
  Broadcast(DBT_DEVICEARRIVAL, &volume);
  EXPECT_EQ(changes, 2) << "no call after the watcher is gone";
}

}  // namespace
}  // namespace vorlane
