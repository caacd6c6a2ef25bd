// How the cards' work shows while it runs. On a terminal: one live line per card for the step
// under way (segment, percent, MB/s, time left), and a line for each step as it ends.
// Otherwise: one line per step as it starts and as it ends. Failures go to standard error.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "cli/CardRun.h"

namespace vorlane::cli {

class TProgressDisplay : public TRunListener {
 public:
  // Redraws the live lines; called every few tenths of a second while cards work.
  virtual void Tick() = 0;
  // Shows what is left to show; the live lines are gone after it.
  virtual void Close() = 0;
};

// Lines go to out, failures to err; both must outlive the display.
std::unique_ptr<TProgressDisplay> MakeProgressDisplay(std::vector<std::string> cardNames, bool live,
                                                      std::ostream& out, std::ostream& err);

}  // namespace vorlane::cli
