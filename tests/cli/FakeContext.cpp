#include "tests/cli/FakeContext.h"

#include <chrono>

namespace vorlane::testing {

void TFakeInterrupt::Catch(std::function<void()> onPress) {
  const std::lock_guard lock(Lock);
  OnPress = std::move(onPress);
}

void TFakeInterrupt::Release() {
  const std::lock_guard lock(Lock);
  OnPress = nullptr;
}

void TFakeInterrupt::Press() {
  const std::lock_guard lock(Lock);
  if (OnPress) OnPress();
}

cli::TCommandContext TFakeSystem::Context() {
  return {.Platform = Platform,
          .RemovableDrives = [this] { return Drives; },
          .WatchDrives = nullptr,
          .In = In,
          .Out = Out,
          .Err = Err,
          .InputIsTerminal = InputIsTerminal,
          .OutputIsTerminal = false,
          .Interrupt = Interrupt};
}

bool WaitUntilHeld(TFakeCard& card, std::future<int>& command) {
  std::unique_lock lock(card.Lock);
  while (!card.Held) {
    card.Changed.wait_for(lock, std::chrono::milliseconds(20));
    if (command.wait_for(std::chrono::seconds(0)) == std::future_status::ready) return false;
  }
  return true;
}

}  // namespace vorlane::testing
