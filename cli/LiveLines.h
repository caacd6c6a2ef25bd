// Lines kept at the bottom of a terminal and drawn anew in place, one per card or slot, with
// every other line printed above them as it comes: what is printed is never drawn over. Not
// thread-safe: its owner holds its own lock around every call.
#pragma once

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace vorlane::cli {

class TLiveLines {
 public:
  // Both streams must outlive the lines; err takes the failures.
  TLiveLines(std::ostream& out, std::ostream& err) : Out(out), Err(err) {}

  // A line for above the live lines; it is printed at the next Draw.
  void Print(std::string line, bool error = false);
  // Goes back to the first live line drawn before, prints the lines that came meanwhile over
  // them, then lines, each cut to the terminal's width, and clears what is left of the old ones.
  void Draw(const std::vector<std::string>& lines);
  // What is drawn stays on the screen as it is; whatever comes next goes below it.
  void Leave() { Drawn = 0; }

 private:
  std::ostream& Out;
  std::ostream& Err;
  std::vector<std::pair<std::string, bool>> Waiting;  // lines to print above, failure or not
  int Drawn = 0;                                      // live lines on the screen
};

// The line cut to the columns at a character boundary: a line that wrapped would throw off the
// cursor movements that redraw live lines in place.
std::string FitToColumns(std::string line, int columns);

}  // namespace vorlane::cli
