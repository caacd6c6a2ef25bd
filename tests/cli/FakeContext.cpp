#include "tests/cli/FakeContext.h"

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

}  // namespace vorlane::testing
