// What a command is given of the system it runs on: the platform its cards open through, the
// removable drives, its streams and whether they are terminals, and Ctrl-C. main() hands in the
// system's own; tests hand in fake cards, drive lists, string streams and an interrupt they press.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <vector>

#include "drives/DriveWatcher.h"
#include "drives/Platform.h"
#include "drives/RemovableDrives.h"

namespace vorlane::cli {

// Ctrl-C, as a command sees it; SIGTERM, the polite way a service manager ends a program, is
// taken the same way.
class TInterrupt {
 public:
  virtual ~TInterrupt() = default;
  // From now until Release, the first Ctrl-C calls onPress, once, instead of ending the program;
  // onPress may run on any thread. A second Ctrl-C ends the program at once.
  virtual void Catch(std::function<void()> onPress) = 0;
  // Ctrl-C does again what it did before Catch; onPress is not running and is not called after.
  virtual void Release() = 0;
};

// Catches the interrupt for as long as it lives.
class TCaughtInterrupt {
 public:
  TCaughtInterrupt(TInterrupt& interrupt, std::function<void()> onPress) : Interrupt(interrupt) {
    Interrupt.Catch(std::move(onPress));
  }
  ~TCaughtInterrupt() { Interrupt.Release(); }
  TCaughtInterrupt(const TCaughtInterrupt&) = delete;
  TCaughtInterrupt& operator=(const TCaughtInterrupt&) = delete;

 private:
  TInterrupt& Interrupt;
};

struct TCommandContext {
  TPlatform& Platform;
  std::function<std::vector<TDriveDetails>()> RemovableDrives;
  // Calls changed, on a thread of its own, when the drives may have changed; empty where the
  // system offers no way to watch.
  std::function<std::unique_ptr<TDriveWatcher>(std::function<void()> changed)> WatchDrives;
  std::istream& In;
  std::ostream& Out;
  std::ostream& Err;
  bool InputIsTerminal = false;
  bool OutputIsTerminal = false;
  TInterrupt& Interrupt;
};

// The system's platform, removable drives and their watcher, standard streams and terminals,
// and Ctrl-C.
TCommandContext SystemContext();

// Runs a command and gives its exit code: a TUsageError it raises is printed to context.Err as
// the program's usage error, ending it with ExitUsage.
int ExitCodeOf(const TCommandContext& context, const std::function<int()>& command);

}  // namespace vorlane::cli
