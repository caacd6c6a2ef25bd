// A production station's decisions, one state machine per reader slot: a card put in is written
// once, on its own, after a short settle; its slot then shows the result until the card is taken
// out, and only a card put in after that is written. Everything the station does to the world
// goes through TStationHost, and time comes in with each call, so the rules can be followed
// without cards, threads or a clock.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/CardRun.h"
#include "cli/station/StationRecord.h"
#include "drives/RemovableDrives.h"

namespace vorlane::cli {

using TStationClock = std::chrono::steady_clock;

struct TStationRules {
  bool WritePresent = false;  // --present: cards in at start are written too
  std::uint64_t MinSize = 0;
  std::optional<std::uint64_t> MaxSize{};
  std::optional<unsigned> Count{};  // stop taking cards once this many have passed
  std::chrono::milliseconds Settle{200};
  // Grading, in decimal MB/s: a card written or read back more slowly fails with step grade.
  std::optional<double> MinWriteSpeed{};
  std::optional<double> MinVerifySpeed{};
  // A card without progress this long shows as stalled; once the station stops, one that
  // stays stalled this long after the stop is given up.
  std::chrono::milliseconds Stall{std::chrono::seconds(30)};
};

struct TStationCounts {
  unsigned Passed = 0;
  unsigned Failed = 0;  // failed, refused and stopped cards
};

// What the operator sees of a slot.
enum class TSlotShows { Waiting, Writing, Finished, LeftAlone };

class TStationHost {
 public:
  virtual ~TStationHost() = default;
  // Writes the card on a thread of its own; the station hears of its end through CardEnded.
  virtual void StartCard(const std::string& slot, const TDriveDetails& drive) = 0;
  virtual void StopCards() = 0;
  // Appends the card's record durably; false when it could not be written.
  virtual bool Record(const TCardRecord& record) = 0;
  virtual void Sound(bool passed) = 0;
  // The slot's state changed: what it shows, and for a finished card its verdict and words.
  virtual void ShowSlot(const std::string& slot, const TDriveDetails& drive, TSlotShows shows,
                        const TCardRecord* finished) = 0;
  // The slot's card has made no progress since since; none: it moves again.
  virtual void ShowStall(const std::string& slot,
                         std::optional<TStationClock::time_point> since) = 0;
  virtual void ShowCounts(const TStationCounts& counts) = 0;
  virtual void Say(const std::string& line) = 0;
  // The slot's card's transfer has not come back from the system: its work is left running
  // where it hangs, and never waited for again.
  virtual void GiveUpCard(const std::string& slot) = 0;
};

class TStation {
 public:
  TStation(TStationRules rules, std::vector<TRecordedSegment> segments, TStationHost& host);

  // The removable drives as they are now; the first call is the station's start.
  void DrivesSeen(const std::vector<TDriveDetails>& drives, TStationClock::time_point now);
  // Starts the cards that have settled, and follows the running ones for stalls.
  void Tick(TStationClock::time_point now);
  // The slot's card moved on within its step.
  void CardProgressed(const std::string& slot, const TStep& step, TStationClock::time_point now);
  void CardEnded(const std::string& slot, const TCardResult& result, TStationClock::time_point now);
  // Ctrl-C: no more cards; those running stop at their next transfer.
  void Stop(TStationClock::time_point now);

  // Nothing more will happen: no card is taken and none is running.
  bool Finished() const;
  int ExitCode() const;
  const TStationCounts& Counts() const { return Tally; }

 private:
  // In the order of what each phase shows (ShownFor in Station.cpp).
  enum class TPhase { Empty, Settling, Writing, Finished, LeftAlone };
  struct TSlot {
    TPhase Phase = TPhase::Empty;
    TDriveDetails Drive;
    TStationClock::time_point SeenAt;
    bool TakenOut = false;  // while writing: the card left; the slot is empty once it ends
    // While writing: the step under way and when the card last moved.
    TStep Step;
    TStationClock::time_point LastProgress;
    bool Stalled = false;
    TStationClock::duration LongestStall{};
  };

  void CardSeen(const std::string& slot, const TDriveDetails& drive, TStationClock::time_point now);
  void CardGone(const std::string& slot, TSlot& state);
  void Settled(const std::string& slot, TSlot& state, TStationClock::time_point now);
  void FollowStall(const std::string& slot, TSlot& state, TStationClock::time_point now);
  void GiveUp(const std::string& slot, TSlot& state, TStationClock::time_point now);
  void Grade(TCardRecord& record) const;
  // now: when a running card ended; none for a card refused before it ran.
  void Finish(const std::string& slot, TSlot& state, TCardRecord record,
              std::optional<TStationClock::time_point> now = std::nullopt);
  void StopTaking(const std::string& why);
  void Show(const std::string& slot, const TSlot& state, const TCardRecord* finished = nullptr);
  TCardRecord RecordFor(const std::string& slot, const TDriveDetails& drive) const;

  const TStationRules Rules;
  const std::vector<TRecordedSegment> Segments;
  TStationHost& Host;
  std::map<std::string, TSlot> Slots;
  bool Started = false;
  bool Taking = true;
  std::optional<TStationClock::time_point> StoppedAt;  // Ctrl-C
  TStationCounts Tally;
};

// The card each slot holds: the first entry of the slot in the drive list (its first partition,
// or the disk without any), where a card is in.
std::map<std::string, TDriveDetails> CardsBySlot(const std::vector<TDriveDetails>& drives);

}  // namespace vorlane::cli
