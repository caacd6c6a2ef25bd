#include "cli/ProgressDisplay.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <ostream>

#include "cli/Figures.h"
#include "cli/LiveLines.h"

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
  return DescribeSegment(step.Segment);
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
class TLiveDisplay final : public TDisplayBase {
 public:
  TLiveDisplay(std::vector<std::string> names, std::ostream& out, std::ostream& err)
      : TDisplayBase(std::move(names), out, err), Live(out, err) {}
  void Tick() override {
    const std::lock_guard lock(Mutex);
    std::vector<std::string> lines;
    for (std::size_t card = 0; card < Lines.size(); ++card)
      if (Lines[card].Step) lines.push_back(LiveLine(card));
    Live.Draw(lines);
  }
  void Close() override {
    const std::lock_guard lock(Mutex);
    Live.Draw({});
  }

 private:
  void Started(std::size_t) override {}
  void Show(const std::string& line, bool error) override { Live.Print(line, error); }

  // "sdb1  segment 1  writing    45%    38.2 MB/s  0:12 left"
  std::string LiveLine(std::size_t card) const {
    const TCardLine& line = Lines[card];
    const double seconds = SecondsSince(line.Started);
    const auto done = line.Step->ImageBytes * static_cast<std::uint64_t>(line.Percent) / 100;
    char text[96];
    if (line.Percent > 0 && seconds > 0) {
      const int left = static_cast<int>(seconds * (100 - line.Percent) / line.Percent + 0.5);
      std::snprintf(text, sizeof text, "%-9s %3d%%  %11s  %d:%02d left", StepVerb(*line.Step),
                    line.Percent, DescribeRate(done, seconds).c_str(), left / 60, left % 60);
    } else {
      std::snprintf(text, sizeof text, "%-9s %3d%%      -- MB/s  -:-- left", StepVerb(*line.Step),
                    line.Percent);
    }
    return Names[card] + "  " + StepTitle(*line.Step) + "  " + text;
  }

  TLiveLines Live;
};

}  // namespace

std::unique_ptr<TProgressDisplay> MakeProgressDisplay(std::vector<std::string> cardNames, bool live,
                                                      std::ostream& out, std::ostream& err) {
  if (live) return std::make_unique<TLiveDisplay>(std::move(cardNames), out, err);
  return std::make_unique<TStepLog>(std::move(cardNames), out, err);
}

}  // namespace vorlane::cli
