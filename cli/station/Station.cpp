#include "cli/station/Station.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cli/Usage.h"
#include "drives/Platform.h"

namespace vorlane::cli {
namespace {

// A card swapped for another between two looks at the drives shows as a new medium, or where the
// system does not number media, as a different volume, size or card register.
bool SameCard(const TDriveDetails& a, const TDriveDetails& b) {
  return a.MediaSequence == b.MediaSequence && a.Entry == b.Entry && a.SizeBytes == b.SizeBytes &&
         a.Card.Cid == b.Card.Cid;
}

std::string SizeRuleProblem(const TStationRules& rules, std::uint64_t size) {
  const std::string bytes = std::to_string(size) + " bytes";
  if (size < rules.MinSize)
    return "the card has " + bytes + ", under --min-size " + std::to_string(rules.MinSize);
  if (rules.MaxSize && size > *rules.MaxSize)
    return "the card has " + bytes + ", over --max-size " + std::to_string(*rules.MaxSize);
  return {};
}

// "4.2": a rate is cut, never rounded up, so a card shown under a limit is under it.
std::string DescribeSpeed(double megabytesPerSecond) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", std::floor(megabytesPerSecond * 10) / 10);
  return text;
}

std::string DescribeLimit(double limit) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", limit);
  return text;
}

// What makes a card that passed every step a slow one; empty where it is fast enough or was
// not measured (a step too short to time, or no read-back).
std::string SpeedProblem(const TStationRules& rules, const TCardRecord& record) {
  const auto under = [](const TStepTimes& times, const std::optional<double>& least) {
    return least && times.Bytes > 0 && times.Seconds > 0 && MegabytesPerSecond(times) < *least;
  };
  if (under(record.Writing, rules.MinWriteSpeed))
    return "written at " + DescribeSpeed(MegabytesPerSecond(record.Writing)) +
           " MB/s, under --min-write-speed " + DescribeLimit(*rules.MinWriteSpeed);
  if (under(record.Verifying, rules.MinVerifySpeed))
    return "read back at " + DescribeSpeed(MegabytesPerSecond(record.Verifying)) +
           " MB/s, under --min-verify-speed " + DescribeLimit(*rules.MinVerifySpeed);
  return {};
}

double Seconds(TStationClock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

TCardVerdict VerdictOf(const TCardResult& result) {
  if (result.Passed) return TCardVerdict::Passed;
  return result.Stopped ? TCardVerdict::Stopped : TCardVerdict::Failed;
}

}  // namespace

std::map<std::string, TDriveDetails> CardsBySlot(const std::vector<TDriveDetails>& drives) {
  std::map<std::string, TDriveDetails> cards;
  for (const TDriveDetails& drive : drives)
    if (drive.SizeBytes != 0)
      cards.try_emplace(drive.Slot.empty() ? drive.Entry : drive.Slot, drive);
  return cards;
}

TStation::TStation(TStationRules rules, std::vector<TRecordedSegment> segments, TStationHost& host)
    : Rules(std::move(rules)), Segments(std::move(segments)), Host(host) {}

void TStation::DrivesSeen(const std::vector<TDriveDetails>& drives, TStationClock::time_point now) {
  const std::map<std::string, TDriveDetails> cards = CardsBySlot(drives);
  for (auto& [slot, state] : Slots)
    if (!cards.contains(slot)) CardGone(slot, state);
  for (const auto& [slot, drive] : cards) CardSeen(slot, drive, now);
  Started = true;
}

void TStation::CardSeen(const std::string& slot, const TDriveDetails& drive,
                        TStationClock::time_point now) {
  TSlot& state = Slots[slot];
  switch (state.Phase) {
    case TPhase::Writing:
      return;
    case TPhase::Finished:
    case TPhase::LeftAlone:
      if (SameCard(state.Drive, drive)) return;
      break;
    case TPhase::Settling:
      // Partitions show a moment after their disk: the settle starts again on the new volume.
      if (SameCard(state.Drive, drive)) return;
      break;
    case TPhase::Empty:
      break;
  }
  state.Drive = drive;
  state.SeenAt = now;
  const bool leftAlone = !Started && !Rules.WritePresent;
  state.Phase = leftAlone ? TPhase::LeftAlone : TPhase::Settling;
  Show(slot, state);
}

void TStation::CardGone(const std::string& slot, TSlot& state) {
  if (state.Phase == TPhase::Empty) return;
  if (state.Phase == TPhase::Writing) {
    state.TakenOut = true;  // the job fails on its own; the slot empties when it ends
    return;
  }
  state.Phase = TPhase::Empty;
  Show(slot, state);
}

void TStation::Tick(TStationClock::time_point now) {
  for (auto& [slot, state] : Slots)
    if (state.Phase == TPhase::Settling && now - state.SeenAt >= Rules.Settle && Taking)
      Settled(slot, state, now);
    else if (state.Phase == TPhase::Writing)
      FollowStall(slot, state, now);
}

void TStation::Settled(const std::string& slot, TSlot& state, TStationClock::time_point now) {
  const std::string problem = SizeRuleProblem(Rules, state.Drive.SizeBytes);
  if (!problem.empty()) {
    TCardRecord record = RecordFor(slot, state.Drive);
    record.Verdict = TCardVerdict::Refused;
    record.Words = "refused: " + problem;
    record.Failure = TCardFailure{{TStepKind::Check, Segments.front().Segment, 0}, {}, problem};
    Finish(slot, state, std::move(record));
    return;
  }
  state.Phase = TPhase::Writing;
  state.TakenOut = false;
  state.Step = {TStepKind::Check, Segments.front().Segment, 0};
  state.LastProgress = now;
  state.Stalled = false;
  state.LongestStall = {};
  Show(slot, state);
  Host.StartCard(slot, state.Drive);
}

void TStation::CardProgressed(const std::string& slot, const TStep& step,
                              TStationClock::time_point now) {
  const auto found = Slots.find(slot);
  if (found == Slots.end() || found->second.Phase != TPhase::Writing) return;
  TSlot& state = found->second;
  if (state.Stalled) {
    state.LongestStall = std::max(state.LongestStall, now - state.LastProgress);
    state.Stalled = false;
    Host.ShowStall(slot, std::nullopt);
  }
  state.Step = step;
  state.LastProgress = now;
}

void TStation::FollowStall(const std::string& slot, TSlot& state, TStationClock::time_point now) {
  if (!state.Stalled && now - state.LastProgress >= Rules.Stall) {
    state.Stalled = true;
    Host.ShowStall(slot, state.LastProgress);
  }
  // Stopped cards end at their next transfer; one whose transfer has not come back a stall's
  // time after the stop is held by the system, maybe for good.
  if (StoppedAt && now - std::max(state.LastProgress, *StoppedAt) >= Rules.Stall)
    GiveUp(slot, state, now);
}

void TStation::GiveUp(const std::string& slot, TSlot& state, TStationClock::time_point now) {
  Host.GiveUpCard(slot);
  const std::string reason = "the system has not returned the card's transfer for " +
                             DescribeLimit(std::round(Seconds(now - state.LastProgress))) + " s";
  TCardRecord record = RecordFor(slot, state.Drive);
  record.Verdict = TCardVerdict::Stopped;
  record.Words = "stopped: " + reason;
  record.Failure = TCardFailure{state.Step, std::nullopt, reason};
  state.Stalled = true;
  Finish(slot, state, std::move(record), now);
}

void TStation::CardEnded(const std::string& slot, const TCardResult& result,
                         TStationClock::time_point now) {
  const auto found = Slots.find(slot);
  if (found == Slots.end() || found->second.Phase != TPhase::Writing) return;  // given up
  TSlot& state = found->second;
  if (result.NoCard) {
    // Nothing was written: the slot waits, and a card that does show now is started afresh.
    state.Phase = TPhase::Empty;
    return Show(slot, state);
  }
  TCardRecord record = RecordFor(slot, state.Drive);
  record.Verdict = VerdictOf(result);
  record.Words = result.Words;
  record.Failure = result.Failure;
  record.Writing = result.Writing;
  record.Verifying = result.Verifying;
  record.Capacity = result.Capacity;
  if (record.Verdict == TCardVerdict::Passed) Grade(record);
  Finish(slot, state, std::move(record), now);
}

void TStation::Grade(TCardRecord& record) const {
  const std::string problem = SpeedProblem(Rules, record);
  if (problem.empty()) return;
  record.Verdict = TCardVerdict::Failed;
  record.Words = "slow card: " + problem;
  record.Failure = TCardFailure{{TStepKind::Grade, Segments.front().Segment, 0}, {}, problem};
}

// The record is on the disk before the slot shows the result: a card shown PASS is traced.
void TStation::Finish(const std::string& slot, TSlot& state, TCardRecord record,
                      std::optional<TStationClock::time_point> now) {
  if (now && state.Stalled)
    state.LongestStall = std::max(state.LongestStall, *now - state.LastProgress);
  if (now && state.LongestStall > TStationClock::duration::zero())
    record.LongestStallSeconds = Seconds(state.LongestStall);
  if (!Host.Record(record)) {
    StopTaking("the record could not be written: no more cards are taken");
    if (record.Verdict == TCardVerdict::Passed) {
      record.Verdict = TCardVerdict::Failed;
      record.Words += " (not recorded)";
    }
  }
  const bool passed = record.Verdict == TCardVerdict::Passed;
  ++(passed ? Tally.Passed : Tally.Failed);
  state.Phase = state.TakenOut ? TPhase::Empty : TPhase::Finished;
  Show(slot, state, &record);
  if (state.TakenOut) Show(slot, state);
  Host.ShowCounts(Tally);
  Host.Sound(passed);
  if (Rules.Count && Tally.Passed >= *Rules.Count)
    StopTaking(std::to_string(Tally.Passed) + (Tally.Passed == 1 ? " card" : " cards") +
               " passed: no more cards are taken");
}

void TStation::Stop(TStationClock::time_point now) {
  if (!StoppedAt) StoppedAt = now;
  StopTaking("stopping: no more cards are taken, cards being written stop; one stalled " +
             DescribeLimit(Seconds(Rules.Stall)) + " s after this is given up");
  Host.StopCards();
}

void TStation::StopTaking(const std::string& why) {
  if (!Taking) return;
  Taking = false;
  Host.Say(why);
}

bool TStation::Finished() const {
  return !Taking && std::ranges::none_of(Slots, [](const auto& slot) {
    return slot.second.Phase == TPhase::Writing;
  });
}

int TStation::ExitCode() const {
  return Tally.Failed == 0 ? ExitPassed : ExitCardFailed;
}

void TStation::Show(const std::string& slot, const TSlot& state, const TCardRecord* finished) {
  // Indexed by TPhase, in its order.
  static constexpr TSlotShows ShownFor[] = {TSlotShows::Waiting, TSlotShows::Waiting,
                                            TSlotShows::Writing, TSlotShows::Finished,
                                            TSlotShows::LeftAlone};
  const TSlotShows shows =
      finished ? TSlotShows::Finished : ShownFor[static_cast<int>(state.Phase)];
  Host.ShowSlot(slot, state.Drive, shows, finished);
}

TCardRecord TStation::RecordFor(const std::string& slot, const TDriveDetails& drive) const {
  TCardRecord record;
  record.Slot = slot;
  record.Device = VolumePathFor(drive.Entry);
  record.Drive = drive;
  record.Segments = Segments;
  return record;
}

}  // namespace vorlane::cli
