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
#include "cli/station/StationOptions.h"
#include "drives/FileAccess.h"
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
    std::vector<std::string> Ended;  // slots whose card's work has ended
  };
  void DrivesChanged() {
    Post([](TBatch& batch) { batch.DrivesChanged = true; });
  }
  void Stop() {
    Post([](TBatch& batch) { batch.Stop = true; });
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

struct TRunningCard {
  TTarget Target;
  std::unique_ptr<TCardRun> Run;
};

// The station's hands: cards' runs, the record, tones and the display.
class TStationWorks final : public TStationHost {
 public:
  TStationWorks(const TCommandContext& context, const TStationOptions& options,
                std::vector<TSegmentChoice> segments, TStationDisplay& display,
                TStationEvents& events)
      : Context(context),
        Options(options),
        Segments(std::move(segments)),
        Display(display),
        Events(events),
        Tones(context.Platform),
        Host(HostName()) {}

  void StartCard(const std::string& slot, const TDriveDetails& drive) override {
    auto card = std::make_unique<TRunningCard>();
    card->Target = {drive.Entry, VolumePathFor(drive.Entry), true, true, drive};
    Display.CardStarted(++CardNumber, slot);
    card->Run =
        std::make_unique<TCardRun>(CardNumber, card->Target, Segments,
                                   Options.Verify ? TRunMode::WriteAndVerify : TRunMode::WriteOnly,
                                   Context.Platform, Display, [this, slot] { Events.Ended(slot); });
    card->Run->Start();
    Running[slot] = std::move(card);
  }
  void StopCards() override {
    for (const auto& [slot, card] : Running) card->Run->RequestStop();
  }
  bool Record(const TCardRecord& record) override {
    if (!Options.Log) return true;
    const std::string line =
        FormatRecord(record, {std::chrono::system_clock::now(), Host, Version});
    const std::error_code error = AppendDurably(*Options.Log, line);
    if (error) Display.Say(*Options.Log + ": the record could not be written: " + error.message());
    return !error;
  }
  void Sound(bool passed) override {
    if (!Options.Quiet) Tones.Sound(passed);
  }
  void ShowSlot(const std::string& slot, const TDriveDetails& drive, TSlotShows shows,
                const TCardRecord* finished) override {
    Display.ShowSlot(slot, drive, shows, finished);
  }
  void ShowCounts(const TStationCounts& counts) override { Display.ShowCounts(counts); }
  void Say(const std::string& line) override { Display.Say(line); }

  // The result of the slot's card, whose work has ended.
  TCardResult Collect(const std::string& slot) {
    const auto found = Running.find(slot);
    found->second->Run->Join();
    TCardResult result = found->second->Run->Result();
    Running.erase(found);
    return result;
  }

 private:
  const TCommandContext& Context;
  const TStationOptions& Options;
  const std::vector<TSegmentChoice> Segments;
  TStationDisplay& Display;
  TStationEvents& Events;
  TTonePlayer Tones;
  const std::string Host;
  std::size_t CardNumber = 0;
  std::map<std::string, std::unique_ptr<TRunningCard>> Running;
};

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
  out.flush();
}

}  // namespace

int RunStation(const TCommandContext& context, const TStationOptions& options) {
  const std::vector<TSegmentChoice> segments =
      CheckSegmentFiles(options.Files.Segment1, options.Files.Segment2);
  const std::vector<TRecordedSegment> recorded = DigestSegments(segments);
  if (options.Log)
    if (const std::error_code error = AppendDurably(*options.Log, ""))
      throw TUsageError(*options.Log + ": the record cannot be written: " + error.message());
  PrintPlan(context.Out, recorded, options);

  TStationEvents events;
  TStationDisplay display(context.OutputIsTerminal, context.Out, context.Err);
  TStationWorks works(context, options, segments, display, events);
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
    if (batch.Stop) station.Stop();
    for (const std::string& slot : batch.Ended) station.CardEnded(slot, works.Collect(slot));
    const auto now = TStationClock::now();
    if (batch.DrivesChanged || now - lastLook >= std::chrono::seconds(1)) {
      station.DrivesSeen(context.RemovableDrives(), now);
      lastLook = now;
    }
    station.Tick(now);
    display.Tick();
  }
  display.Close();
  context.Out << DescribeCounts(station.Counts()) << std::endl;
  return station.ExitCode();
}

}  // namespace vorlane::cli
