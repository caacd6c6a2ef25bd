#include "cli/LiveLines.h"

#include <ostream>

#include "cli/Terminal.h"

namespace vorlane::cli {

void TLiveLines::Print(std::string line, bool error) {
  Waiting.emplace_back(std::move(line), error);
}

// ANSI: ESC[nF moves to the start of the line n above, ESC[2K clears a line, ESC[J everything
// below the cursor. Standard error shares the screen, so each stream is flushed before the other
// writes.
void TLiveLines::Draw(const std::vector<std::string>& lines) {
  if (Drawn > 0) Out << "\x1b[" << Drawn << "F";
  for (const auto& [line, error] : Waiting) {
    Out << "\x1b[2K";
    Out.flush();
    (error ? Err : Out) << line << '\n';
    (error ? Err : Out).flush();
  }
  Waiting.clear();
  const int columns = TerminalColumns();
  for (const std::string& line : lines) Out << "\x1b[2K" << FitToColumns(line, columns - 1) << '\n';
  Drawn = static_cast<int>(lines.size());
  Out << "\x1b[J";
  Out.flush();
}

std::string FitToColumns(std::string line, int columns) {
  if (columns <= 0 || line.size() <= static_cast<std::size_t>(columns)) return line;
  std::size_t cut = static_cast<std::size_t>(columns);
  while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
  return line.substr(0, cut);
}

}  // namespace vorlane::cli
