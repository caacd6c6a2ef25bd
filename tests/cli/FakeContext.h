// A command context on fakes: one fake card behind every drive, a fixed drive list, string
// streams for the terminal, and a Ctrl-C the test presses.
#pragma once

#include <functional>
#include <future>
#include <mutex>
#include <sstream>
#include <vector>

#include "cli/CommandContext.h"
#include "tests/card/FakeVolume.h"

namespace vorlane::testing {

class TFakeInterrupt final : public cli::TInterrupt {
 public:
  void Catch(std::function<void()> onPress) override;
  void Release() override;
  // Calls what the command asked for, on the caller's thread; nothing when it is not caught.
  void Press();

 private:
  std::mutex Lock;
  std::function<void()> OnPress;
};

struct TFakeSystem {
  TFakeCard Card;
  TRecorder Platform{Card};
  std::vector<TDriveDetails> Drives;
  std::istringstream In;
  std::ostringstream Out;
  std::ostringstream Err;
  bool InputIsTerminal = true;
  TFakeInterrupt Interrupt;

  cli::TCommandContext Context();
};

// Waits until the card holds a transfer; false when the command ended without reaching it.
bool WaitUntilHeld(TFakeCard& card, std::future<int>& command);

}  // namespace vorlane::testing
