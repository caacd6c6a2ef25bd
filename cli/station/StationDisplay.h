// What the operator sees of a station. On a terminal: one line per slot, drawn anew in place
// (slot, reader, state, percent and MB/s), and a counter line below them. Otherwise one line per
// event, for logs and pipes. Its run-listener side is called on the cards' threads.
#pragma once

#include <iosfwd>
#include <map>
#include <mutex>
#include <string>

#include "cli/CardRun.h"
#include "cli/LiveLines.h"
#include "cli/station/Station.h"

namespace vorlane::cli {

class TStationDisplay final : public TRunListener {
 public:
  TStationDisplay(bool live, std::ostream& out, std::ostream& err);

  // The card numbered card is being written in slot.
  void CardStarted(std::size_t card, const std::string& slot);
  void ShowSlot(const std::string& slot, const TDriveDetails& drive, TSlotShows shows,
                const TCardRecord* finished);
  void ShowStall(const std::string& slot, std::optional<TStationClock::time_point> since);
  void ShowCounts(const TStationCounts& counts);
  void Say(const std::string& line);
  // Redraws the slot lines; called often, it draws a few times a second.
  void Tick();
  // Leaves the last slot lines on the screen.
  void Close();

  void StepStarted(std::size_t card, const TStep& step) override;
  void StepProgress(std::size_t card, int percent) override;
  void Failure(const std::string& logLine) override;

 private:
  struct TSlotLine {
    std::string Reader;
    std::string State;
    std::optional<TStep> Step;
    TStationClock::time_point StepStarted;
    int Percent = 0;
    std::optional<TStationClock::time_point> StalledSince;
  };

  std::string LineFor(const std::string& slot, const TSlotLine& line) const;
  void Print(const std::string& line, bool error = false);
  void Redraw();

  const bool Live;
  std::ostream& Out;
  std::ostream& Err;
  std::mutex Mutex;
  std::map<std::size_t, std::string> SlotOfCard;
  std::map<std::string, TSlotLine> Slots;
  std::string CountsLine;
  TLiveLines Lines;  // drawn only where Live
  TStationClock::time_point LastDrawn;
};

// "passed 3, failed 1, yield 75%"
std::string DescribeCounts(const TStationCounts& counts);

}  // namespace vorlane::cli
