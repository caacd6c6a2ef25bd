#include "cli/CommandContext.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <iostream>
#include <mutex>
#include <thread>

#include "cli/Terminal.h"
#include "cli/Usage.h"

namespace vorlane::cli {
namespace {

// Set by the signal handler; a lock-free atomic is safe to set there.
std::atomic<bool> CtrlCPressed = false;
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnCtrlC(int number) {
  CtrlCPressed = true;
  std::signal(number, SIG_DFL);
}

// A signal handler may only set a flag: a watcher thread sees it within a few hundredths of a
// second and does what the command asked for.
class TSignalInterrupt final : public TInterrupt {
 public:
  void Catch(std::function<void()> onPress) override {
    CtrlCPressed = false;
    for (std::size_t i = 0; i < Signals.size(); ++i) {
      Previous[i] = std::signal(Signals[i], OnCtrlC);
      // A program started with Ctrl-C ignored (in the background of a script) keeps ignoring it.
      if (Previous[i] == SIG_IGN) std::signal(Signals[i], SIG_IGN);
    }
    Watcher = std::jthread([this, press = std::move(onPress)](std::stop_token stop) {
      std::unique_lock lock(Mutex);
      while (!stop.stop_requested() && !CtrlCPressed)
        Woken.wait_for(lock, stop, std::chrono::milliseconds(50),
                       [] { return CtrlCPressed.load(); });
      if (CtrlCPressed) press();
    });
  }
  void Release() override {
    Watcher = std::jthread();  // asks the watcher to stop, and waits for it
    for (std::size_t i = 0; i < Signals.size(); ++i) std::signal(Signals[i], Previous[i]);
  }

 private:
  static constexpr std::array<int, 2> Signals{SIGINT, SIGTERM};
  std::array<void (*)(int), 2> Previous{SIG_DFL, SIG_DFL};
  std::mutex Mutex;
  std::condition_variable_any Woken;
  std::jthread Watcher;
};

std::vector<TDriveDetails> SystemDrives() {
  return GetRemovableDriveDetails();
}

}  // namespace

TCommandContext SystemContext() {
  static TSignalInterrupt interrupt;
  // A card swapped in a reader that stays plugged in shows as itself, not as the card before it,
  // once the reader has been asked; the station's drive watcher asks every second from then on.
  LookForNewMedia();
  return {.Platform = SystemPlatform(),
          .RemovableDrives = SystemDrives,
          .WatchDrives = WatchDriveChanges,
          .In = std::cin,
          .Out = std::cout,
          .Err = std::cerr,
          .InputIsTerminal = IsTerminal(TStream::Input),
          .OutputIsTerminal = IsTerminal(TStream::Output),
          .Interrupt = interrupt};
}

int ExitCodeOf(const TCommandContext& context, const std::function<int()>& command) {
  try {
    return command();
  } catch (const TUsageError& error) {
    context.Err << "vorlane-cli: " << error.what() << std::endl;
    return ExitUsage;
  }
}

}  // namespace vorlane::cli
