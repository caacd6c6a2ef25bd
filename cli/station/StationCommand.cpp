// station: every card put in is written on its own, hands-free, and recorded.
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <ostream>
#include <utility>

#include "card/Sha256.h"
#include "card/Tones.h"
#include "cli/Usage.h"
#include "cli/station/Station.h"
#include "cli/station/StationDisplay.h"
#include "cli/station/StationLog.h"
#include "cli/station/StationOptions.h"
#include "drives/Platform.h"
#include "vorlane/Version.h"

namespace vorlane::cli {
namespace {

// What the cards' threads, the drive watcher and Ctrl-C tell the station's own thread.
class TStationEvents {
 public:
  struct TBatch {
    bool DrivesChanged = false;
    bool Stop = false;
    std::map<std::string, TStep> Progressed;  // slots whose card moved, and its step
    std::vector<std::string> Ended;           // slots whose card's work has ended
  };
  void DrivesChanged() {
    Post([](TBatch& batch) { batch.DrivesChanged = true; });
  }
  void Stop() {
    Post([](TBatch& batch) { batch.Stop = true; });
  }
  void Progressed(const std::string& slot, const TStep& step) {
    Post([&](TBatch& batch) { batch.Progressed[slot] = step; });
  }
  void Ended(const std::string& slot) {
    Post([&slot](TBatch& batch) { batch.Ended.push_back(slot); });
  }
  // What came since the last call, waiting up to timeout for something to come.
  TBatch Take(std::chrono::milliseconds timeout) {
    std::unique_lock lock(Mutex);
    Woken.wait_for(lock, timeout, [this] { return Pending; });
    Pending = false;
    return std::exchange(Batch, {});
  }

 private:
  template <typename TChange>
  void Post(TChange change) {
    const std::lock_guard lock(Mutex);
    change(Batch);
    Pending = true;
    Woken.notify_one();
  }
  std::mutex Mutex;
  std::condition_variable Woken;
  TBatch Batch;
  bool Pending = false;
};

// Tones play on a thread of their own: an alarm must not hold up the next card.
class TTonePlayer {
 public:
  explicit TTonePlayer(TPlatform& platform) : Platform(platform) {
    Thread = std::jthread([this](std::stop_token stop) { Play(stop); });
  }
  void Sound(bool passed) {
    const std::lock_guard lock(Mutex);
    Queue.push_back(passed);
    Woken.notify_one();
  }

 private:
  void Play(std::stop_token stop) {
    std::unique_lock lock(Mutex);
    while (Woken.wait(lock, stop, [this] { return !Queue.empty(); })) {
      const bool passed = Queue.front();
      Queue.pop_front();
      lock.unlock();
      passed ? SoundSuccess(Platform) : SoundAlarm(Platform);
      lock.lock();
    }
  }
  TPlatform& Platform;
  std::mutex Mutex;
  std::condition_variable_any Woken;
  std::deque<bool> Queue;
  std::jthread Thread;  // last: stopped and joined first
};

// A card's steps and progress go to the display, and tell the station's thread the card moves.
class TCardProgress final : public TRunListener {
 public:
  TCardProgress(std::string slot, TRunListener& display, TStationEvents& events)
      : Slot(std::move(slot)), Display(display), Events(events) {}
  void StepStarted(std::size_t card, const TStep& step) override {
    Display.StepStarted(card, step);
    Step = step;
    Events.Progressed(Slot, step);
  }
  void StepProgress(std::size_t card, int percent) override {
    Display.StepProgress(card, percent);
    Events.Progressed(Slot, Step);
  }
  void StepEnded(std::size_t card, const TStep& step, bool passed,
                 const std::string& words) override {
    Display.StepEnded(card, step, passed, words);
  }
  void Failure(const std::string& logLine) override { Display.Failure(logLine); }

 private:
  const std::string Slot;
  TRunListener& Display;
  TStationEvents& Events;
  TStep Step;  // the card's thread's own
};

struct TRunningCard {
  TTarget Target;
  std::unique_ptr<TCardProgress> Progress;
  std::unique_ptr<TCardRun> Run;  // last: its thread ends before what it uses goes
};

// The station's hands: cards' runs, the record, tones and the display.
class TStationWorks final : public TStationHost {
 public:
  TStationWorks(const TCommandContext& context, const TStationOptions& options,
                std::vector<TSegmentChoice> segments, TRecordLog* log, TStationDisplay& display,
                TStationEvents& events)
      : Context(context),
        Options(options),
        Segments(std::move(segments)),
        Log(log),
        Display(display),
        Events(events),
        Tones(context.Platform),
        Host(HostName()) {}

  void StartCard(const std::string& slot, const TDriveDetails& drive) override {
    auto card = std::make_unique<TRunningCard>();
    card->Target = {drive.Entry, VolumePathFor(drive.Entry), true, true, drive};
    Display.CardStarted(++CardNumber, slot);
    card->Progress = std::make_unique<TCardProgress>(slot, Display, Events);
    card->Run = std::make_unique<TCardRun>(
        CardNumber, card->Target, Segments,
        Options.Verify ? TRunMode::WriteAndVerify : TRunMode::WriteOnly, Context.Platform,
        *card->Progress, [this, slot] { Events.Ended(slot); }, Options.Capacity);
    card->Run->Start();
    Running[slot] = std::move(card);
  }
  void StopCards() override {
    for (const auto& [slot, card] : Running) card->Run->RequestStop();
  }
  bool Record(const TCardRecord& record) override {
    if (!Log) return true;
    const std::error_code error = Log->Append(
        record, {std::chrono::system_clock::now(), Host, Version, Options.Operator, Options.Batch});
    if (error) Display.Say(Log->Path() + ": the record could not be written: " + error.message());
    return !error;
  }
  void Sound(bool passed) override {
    if (!Options.Quiet) Tones.Sound(passed);
  }
  void ShowSlot(const std::string& slot, const TDriveDetails& drive, TSlotShows shows,
                const TCardRecord* finished) override {
    Display.ShowSlot(slot, drive, shows, finished);
  }
  void ShowStall(const std::string& slot, std::optional<TStationClock::time_point> since) override {
    Display.ShowStall(slot, since);
  }
  void ShowCounts(const TStationCounts& counts) override { Display.ShowCounts(counts); }
  void Say(const std::string& line) override { Display.Say(line); }
  void GiveUpCard(const std::string& slot) override {
    const auto found = Running.find(slot);
    if (found == Running.end()) return;
    GivenUp.push_back(std::move(found->second));
    Running.erase(found);
  }

  // The result of the slot's card, whose work has ended; none for a card given up before.
  std::optional<TCardResult> Collect(const std::string& slot) {
    const auto found = Running.find(slot);
    if (found == Running.end()) return std::nullopt;
    found->second->Run->Join();
    TCardResult result = found->second->Run->Result();
    Running.erase(found);
    return result;
  }
  bool GaveUpAny() const { return !GivenUp.empty(); }

 private:
  const TCommandContext& Context;
  const TStationOptions& Options;
  const std::vector<TSegmentChoice> Segments;
  TRecordLog* const Log;
  TStationDisplay& Display;
  TStationEvents& Events;
  TTonePlayer Tones;
  const std::string Host;
  std::size_t CardNumber = 0;
  std::map<std::string, std::unique_ptr<TRunningCard>> Running;
  // Cards whose transfers the system never returned: their threads may still wake, so these
  // are never destroyed, as a destructor would wait for them.
  std::vector<std::unique_ptr<TRunningCard>> GivenUp;
};

// What the cards' threads touch, in one place that can outlive the command.
struct TStationParts {
  TStationParts(const TCommandContext& context, const TStationOptions& options,
                std::vector<TSegmentChoice> segments, TRecordLog* log)
      : Display(context.OutputIsTerminal, context.Out, context.Err),
        Works(context, options, std::move(segments), log, Display, Events) {}
  TStationEvents Events;
  TStationDisplay Display;
  TStationWorks Works;
};

// Cards given up may still run on threads the system holds: what they use stays until the
// process ends, and nothing waits for them.
void KeepUntilExit(std::shared_ptr<TStationParts> parts) {
  static auto* const kept = new std::vector<std::shared_ptr<TStationParts>>;
  kept->push_back(std::move(parts));
}

std::vector<TRecordedSegment> DigestSegments(const std::vector<TSegmentChoice>& segments) {
  std::vector<TRecordedSegment> recorded;
  for (const TSegmentChoice& segment : segments) {
    const std::optional<std::string> digest = FileSha256(segment.Slot.File);
    if (!digest) throw TUsageError(segment.Slot.File + ": the file could not be read");
    recorded.push_back({segment.Segment, segment.Slot.File, segment.Slot.DeclaredLength, *digest});
  }
  return recorded;
}

void PrintPlan(std::ostream& out, const std::vector<TRecordedSegment>& segments,
               const TStationOptions& options) {
  for (const TRecordedSegment& segment : segments)
    out << DescribeSegment(segment.Segment) << ": " << segment.File << ", "
        << segment.DeclaredLength << " bytes, sha256 " << segment.Sha256 << "\n";
  if (options.Log) out << "record: " << *options.Log << "\n";
  if (options.Operator) out << "operator: " << *options.Operator << "\n";
  if (options.Batch) out << "batch: " << *options.Batch << "\n";
  out.flush();
}

}  // namespace

int RunStation(const TCommandContext& context, const TStationOptions& options) {
  const std::vector<TSegmentChoice> segments =
      CheckSegmentFiles(options.Files.Segment1, options.Files.Segment2);
  const std::vector<TRecordedSegment> recorded = DigestSegments(segments);
  std::optional<TRecordLog> log;
  if (options.Log) log.emplace(*options.Log);
  PrintPlan(context.Out, recorded, options);

  const auto parts =
      std::make_shared<TStationParts>(context, options, segments, log ? &*log : nullptr);
  TStationEvents& events = parts->Events;
  TStationDisplay& display = parts->Display;
  TStationWorks& works = parts->Works;
  TStation station(options.Rules, recorded, works);
  const std::unique_ptr<TDriveWatcher> watcher =
      context.WatchDrives ? context.WatchDrives([&events] { events.DrivesChanged(); }) : nullptr;
  station.DrivesSeen(context.RemovableDrives(), TStationClock::now());
  // Only now: a card put in from here on is a new card, never one that was in at start.
  context.Out << "waiting for cards"
              << (options.Rules.WritePresent ? "; cards already in are written" : "")
              << "; Ctrl-C ends" << std::endl;
  const TCaughtInterrupt interrupt(context.Interrupt, [&events] { events.Stop(); });
  // Without a watcher, and against a missed event, the drives are looked at every second too.
  auto lastLook = TStationClock::now();
  while (!station.Finished()) {
    const TStationEvents::TBatch batch = events.Take(std::chrono::milliseconds(50));
    const auto now = TStationClock::now();
    if (batch.Stop) station.Stop(now);
    for (const auto& [slot, step] : batch.Progressed) station.CardProgressed(slot, step, now);
    for (const std::string& slot : batch.Ended)
      if (const std::optional<TCardResult> result = works.Collect(slot))
        station.CardEnded(slot, *result, now);
    if (batch.DrivesChanged || now - lastLook >= std::chrono::seconds(1)) {
      station.DrivesSeen(context.RemovableDrives(), now);
      lastLook = now;
    }
    station.Tick(now);
    display.Tick();
  }
  display.Close();
  context.Out << DescribeCounts(station.Counts()) << std::endl;
  if (works.GaveUpAny()) KeepUntilExit(parts);
  return station.ExitCode();
}

}  // namespace vorlane::cli
