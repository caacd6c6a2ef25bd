#include "cli/station/StationDisplay.h"

#include <cstdio>
#include <ostream>

#include "cli/Figures.h"
#include "drives/ShowableText.h"

namespace vorlane::cli {
namespace {

std::string StepState(const TStep& step) {
  switch (step.Kind) {
    case TStepKind::Check:
      return "checking the card";
    case TStepKind::Write:
      return "writing " + DescribeSegment(step.Segment);
    case TStepKind::Verify:
      return "verifying " + DescribeSegment(step.Segment);
    case TStepKind::Grade:
      return "grading its speed";
  }
  return "?";
}

// "PASS 已成功写入SD卡! (verified), remove the card"; a failure names its step.
std::string FinishedState(const TCardRecord& record) {
  // Indexed by TCardVerdict, in its order.
  static constexpr const char* Verdicts[] = {"PASS", "FAIL", "REFUSED", "STOPPED"};
  std::string state = Verdicts[static_cast<int>(record.Verdict)] + (" " + record.Words);
  if (record.Failure && record.Verdict == TCardVerdict::Failed)
    state += " [" + StepState(record.Failure->Step) + "]";
  return state + ", remove the card";
}

std::string StateFor(TSlotShows shows, const TCardRecord* finished) {
  switch (shows) {
    case TSlotShows::Waiting:
      return "waiting";
    case TSlotShows::Writing:
      return "starting";
    case TSlotShows::Finished:
      return finished ? FinishedState(*finished) : "remove the card";
    case TSlotShows::LeftAlone:
      return "in before the station started, left alone: remove the card";
  }
  return "?";
}

}  // namespace

std::string DescribeCounts(const TStationCounts& counts) {
  const unsigned total = counts.Passed + counts.Failed;
  const unsigned yield = total == 0 ? 0 : (counts.Passed * 100 + total / 2) / total;
  return "passed " + std::to_string(counts.Passed) + ", failed " + std::to_string(counts.Failed) +
         ", yield " + (total == 0 ? std::string("-") : std::to_string(yield) + "%");
}

TStationDisplay::TStationDisplay(bool live, std::ostream& out, std::ostream& err)
    : Live(live), Out(out), Err(err), CountsLine(DescribeCounts({})), Lines(out, err) {}

void TStationDisplay::CardStarted(std::size_t card, const std::string& slot) {
  const std::lock_guard lock(Mutex);
  SlotOfCard[card] = slot;
}

void TStationDisplay::ShowSlot(const std::string& slot, const TDriveDetails& drive,
                               TSlotShows shows, const TCardRecord* finished) {
  const std::lock_guard lock(Mutex);
  TSlotLine& line = Slots[slot];
  line.Reader = drive.Entry + " " + DescribeDrive(drive);
  line.State = StateFor(shows, finished);
  line.Step.reset();
  line.StalledSince.reset();
  if (!Live) Print(LineFor(slot, line));
}

void TStationDisplay::ShowStall(const std::string& slot,
                                std::optional<TStationClock::time_point> since) {
  const std::lock_guard lock(Mutex);
  TSlotLine& line = Slots[slot];
  line.StalledSince = since;
  if (!Live && since) Print(LineFor(slot, line));
}

void TStationDisplay::ShowCounts(const TStationCounts& counts) {
  const std::lock_guard lock(Mutex);
  CountsLine = DescribeCounts(counts);
  if (!Live) Print(CountsLine);
}

void TStationDisplay::Say(const std::string& line) {
  const std::lock_guard lock(Mutex);
  Print(line);
}

void TStationDisplay::StepStarted(std::size_t card, const TStep& step) {
  const std::lock_guard lock(Mutex);
  TSlotLine& line = Slots[SlotOfCard[card]];
  line.Step = step;
  line.State = StepState(step);
  line.StepStarted = TStationClock::now();
  line.Percent = 0;
  if (!Live) Print(LineFor(SlotOfCard[card], line));
}

void TStationDisplay::StepProgress(std::size_t card, int percent) {
  const std::lock_guard lock(Mutex);
  Slots[SlotOfCard[card]].Percent = percent;
}

void TStationDisplay::Failure(const std::string& logLine) {
  const std::lock_guard lock(Mutex);
  Print(logLine, true);
}

// A few redraws a second: more would only flicker, and cost a slow terminal its speed.
void TStationDisplay::Tick() {
  const std::lock_guard lock(Mutex);
  const auto now = TStationClock::now();
  if (!Live || now - LastDrawn < std::chrono::milliseconds(200)) return;
  LastDrawn = now;
  Redraw();
}

void TStationDisplay::Close() {
  const std::lock_guard lock(Mutex);
  if (!Live) return;
  Redraw();
  Lines.Leave();
}

// "1-1.3  sdb1 7.9 GB · Generic STORAGE DEVICE  writing segment 1  45%  21.3 MB/s"
std::string TStationDisplay::LineFor(const std::string& slot, const TSlotLine& line) const {
  std::string text = ShowableText(slot) + "  " + line.Reader + "  " + line.State;
  if (line.StalledSince) {
    const auto still =
        std::chrono::floor<std::chrono::seconds>(TStationClock::now() - *line.StalledSince);
    return text + "  stalled, no progress for " + std::to_string(still.count()) + " s";
  }
  if (!Live || !line.Step || line.Step->ImageBytes == 0) return text;  // a check in a blink
  const double seconds =
      std::chrono::duration<double>(TStationClock::now() - line.StepStarted).count();
  const auto bytes = line.Step->ImageBytes * static_cast<std::uint64_t>(line.Percent) / 100;
  char figures[48];
  std::snprintf(figures, sizeof figures, "  %3d%%  %11s", line.Percent,
                DescribeRate(bytes, seconds).c_str());
  return text + figures;
}

// On a terminal above the live lines, at the next redraw.
void TStationDisplay::Print(const std::string& line, bool error) {
  if (Live) return Lines.Print(line, error);
  Out.flush();
  (error ? Err : Out) << line << std::endl;
}

void TStationDisplay::Redraw() {
  std::vector<std::string> lines;
  for (const auto& [slot, line] : Slots) lines.push_back(LineFor(slot, line));
  lines.push_back(CountsLine);
  Lines.Draw(lines);
}

}  // namespace vorlane::cli
