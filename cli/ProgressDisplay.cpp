#include "cli/ProgressDisplay.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <ostream>

#include "cli/Terminal.h"

namespace vorlane::cli {
namespace {

using TClock = std::chrono::steady_clock;

struct TCardLine {
  std::optional<TStep> Step;  // the step under way, if any
  TClock::time_point Started;
  int Percent = 0;
};

double SecondsSince(TClock::time_point start) {
  return std::chrono::duration<double>(TClock::now() - start).count();
}

std::string StepTitle(const TStep& step) {
  if (step.Kind == TStepKind::Check) return "card";
  return "segment " + std::to_string(static_cast<int>(step.Segment));
}

const char* StepVerb(const TStep& step) {
  switch (step.Kind) {
    case TStepKind::Check:
      return "checking";
    case TStepKind::Write:
      return "writing";
    case TStepKind::Verify:
      return "verifying";
    case TStepKind::Grade:
      return "grading";
  }
  return "?";
}

// The card lines and the lines every display prints when a step ends.
class TDisplayBase : public TProgressDisplay {
 public:
  TDisplayBase(std::vector<std::string> names, std::ostream& out, std::ostream& err)
      : Out(out), Err(err), Names(std::move(names)), Lines(Names.size()) {}

  void StepStarted(std::size_t card, const TStep& step) override {
    const std::lock_guard lock(Mutex);
    Lines[card] = {step, TClock::now(), 0};
    Started(card);
  }
  void StepProgress(std::size_t card, int percent) override {
    const std::lock_guard lock(Mutex);
    Lines[card].Percent = percent;
  }
  void StepEnded(std::size_t card, const TStep& step, bool passed,
                 const std::string& words) override {
    const std::lock_guard lock(Mutex);
    std::string line = Names[card] + ": " + StepTitle(step) + ": " + words;
    const double seconds = SecondsSince(Lines[card].Started);
    if (passed && step.Kind == TStepKind::Check)
      line += ", " + DescribeSeconds(seconds);
    else if (passed)
      line += ", " + DescribeTimeAndRate(seconds, step.ImageBytes);
    Lines[card].Step.reset();
    Show(line, false);
  }
  void Failure(const std::string& logLine) override {
    const std::lock_guard lock(Mutex);
    Show(logLine, true);
  }

 protected:
  virtual void Started(std::size_t card) = 0;  // with the lock held
  virtual void Show(const std::string& line, bool error) = 0;

  std::ostream& Out;
  std::ostream& Err;
  std::mutex Mutex;
  const std::vector<std::string> Names;
  std::vector<TCardLine> Lines;
};

// For logs and pipes: nothing is redrawn, every line stays as it was written.
class TStepLog final : public TDisplayBase {
 public:
  using TDisplayBase::TDisplayBase;
  void Tick() override {}
  void Close() override {}

 private:
  void Started(std::size_t card) override {
    Show(Names[card] + ": " + StepTitle(*Lines[card].Step) + ": " + StepVerb(*Lines[card].Step),
         false);
  }
  void Show(const std::string& line, bool error) override {
    Out.flush();
    (error ? Err : Out) << line << std::endl;
  }
};

// For a terminal: the live lines sit below everything printed, and are drawn anew in place.
class TLiveLines final : public TDisplayBase {
 public:
  using TDisplayBase::TDisplayBase;
  void Tick() override {
    const std::lock_guard lock(Mutex);
    Redraw(true);
  }
  void Close() override {
    const std::lock_guard lock(Mutex);
    Redraw(false);
  }

 private:
  void Started(std::size_t) override {}
  void Show(const std::string& line, bool error) override { Waiting.push_back({line, error}); }

  // Goes back to the first live line, prints the lines that came meanwhile over it, then the
  // live lines, and clears what is left of the old ones.
  void Redraw(bool withLiveLines) {
    if (Drawn > 0) Out << "\x1b[" << Drawn << "F";
    for (const auto& [line, error] : Waiting) {
      Out << "\x1b[2K";
      Out.flush();
      (error ? Err : Out) << line << '\n';
      (error ? Err : Out).flush();
    }
    Waiting.clear();
    Drawn = 0;
    const int columns = TerminalColumns();
    for (std::size_t card = 0; withLiveLines && card < Lines.size(); ++card) {
      if (!Lines[card].Step) continue;
      Out << "\x1b[2K" << FitToColumns(LiveLine(card), columns - 1) << '\n';
      ++Drawn;
    }
    Out << "\x1b[J";
    Out.flush();
  }

  // "sdb1  segment 1  writing    45%   38.2 MB/s   0:12 left"
  std::string LiveLine(std::size_t card) const {
    const TCardLine& line = Lines[card];
    const double seconds = SecondsSince(line.Started);
    const double done = static_cast<double>(line.Step->ImageBytes) * line.Percent / 100.0;
    char text[96];
    if (line.Percent > 0 && seconds > 0) {
      const int left = static_cast<int>(seconds * (100 - line.Percent) / line.Percent + 0.5);
      std::snprintf(text, sizeof text, "%-9s %3d%%  %6.1f MB/s  %d:%02d left", StepVerb(*line.Step),
                    line.Percent, done / 1e6 / seconds, left / 60, left % 60);
    } else {
      std::snprintf(text, sizeof text, "%-9s %3d%%      -- MB/s  -:-- left", StepVerb(*line.Step),
                    line.Percent);
    }
    return Names[card] + "  " + StepTitle(*line.Step) + "  " + text;
  }

  std::vector<std::pair<std::string, bool>> Waiting;  // lines to print above, stderr or not
  int Drawn = 0;                                      // live lines on the screen
};

}  // namespace

std::unique_ptr<TProgressDisplay> MakeProgressDisplay(std::vector<std::string> cardNames, bool live,
                                                      std::ostream& out, std::ostream& err) {
  if (live) return std::make_unique<TLiveLines>(std::move(cardNames), out, err);
  return std::make_unique<TStepLog>(std::move(cardNames), out, err);
}

std::string FitToColumns(std::string line, int columns) {
  if (columns <= 0 || line.size() <= static_cast<std::size_t>(columns)) return line;
  std::size_t cut = static_cast<std::size_t>(columns);
  while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
  return line.substr(0, cut);
}

std::string DescribeSeconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", seconds);
  return text;
}

std::string DescribeTimeAndRate(double seconds, std::uint64_t bytes) {
  char text[64];
  const double rate = seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0.0;
  std::snprintf(text, sizeof text, "%.2f s, %.1f MB/s", seconds, rate);
  return text;
}

}  // namespace vorlane::cli
