// Tells when removable drives may have come or gone, so the drive list can follow cards without
// the user opening it. One small interface with a backend per OS (kernel uevents on Linux,
// WM_DEVICECHANGE on Windows); merging bursts and choosing what stays selected is the window's.
#pragma once

#include <functional>
#include <memory>

namespace vorlane {

class TDriveWatcher {
 public:
  virtual ~TDriveWatcher() = default;  // stops watching; no call comes after it returns
};

// Calls changed, on a thread of the watcher's own, after each event that may have changed the
// list. Empty when the system offers no way to watch; the list then changes only when read.
std::unique_ptr<TDriveWatcher> WatchDriveChanges(std::function<void()> changed);

}  // namespace vorlane
