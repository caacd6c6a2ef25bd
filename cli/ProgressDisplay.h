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

// The line cut to the columns at a character boundary: a line that wrapped would throw off the
// cursor movements that redraw live lines in place.
std::string FitToColumns(std::string line, int columns);

// "2.10 s"
std::string DescribeSeconds(double seconds);

// "2.1 s, 45.2 MB/s": decimal megabytes, as card makers count.
std::string DescribeTimeAndRate(double seconds, std::uint64_t bytes);

}  // namespace vorlane::cli
