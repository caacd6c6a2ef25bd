// write and verify: every card at once, each on its own thread (check runs its cards here too).
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>

#include "card/CardImage.h"
#include "cli/CapacityCheck.h"
#include "cli/CardRuns.h"
#include "cli/Commands.h"
#include "cli/Confirm.h"
#include "cli/Figures.h"
#include "cli/ProgressDisplay.h"
#include "cli/Usage.h"

namespace vorlane::cli {
namespace {

// Wakes the waiting program when a card ends, so the summary is not held up.
class TFinishSignal {
 public:
  void Notify() {
    const std::lock_guard lock(Mutex);
    Changed.notify_all();
  }
  template <typename TPredicate>
  void WaitFor(std::chrono::milliseconds timeout, TPredicate done) {
    std::unique_lock lock(Mutex);
    Changed.wait_for(lock, timeout, done);
  }

 private:
  std::mutex Mutex;
  std::condition_variable Changed;
};

void PrintSummary(std::ostream& out, const std::vector<TTarget>& targets,
                  const std::vector<std::unique_ptr<TCardRun>>& runs) {
  for (std::size_t card = 0; card < runs.size(); ++card) {
    const TCardResult& result = runs[card]->Result();
    out << targets[card].Name << ": " << result.Words << ", "
        << DescribeTimeAndRate(result.Seconds, result.BytesMoved) << "\n";
    // What a capacity proof overwrote: the card's file system is gone, whatever it found.
    if (result.Capacity)
      out << targets[card].Name << ": " << DescribeProofWork(result.Capacity->Proof) << "\n";
  }
  out.flush();
}

}  // namespace

int RunCards(const TCommandContext& context, const std::vector<TTarget>& targets,
             const std::vector<TSegmentChoice>& segments, TRunMode mode,
             const std::optional<TCapacityOptions>& proveCapacity) {
  std::vector<std::string> names;
  for (const TTarget& target : targets) names.push_back(target.Name);
  const std::unique_ptr<TProgressDisplay> display =
      MakeProgressDisplay(names, context.OutputIsTerminal, context.Out, context.Err);
  TFinishSignal finish;
  std::vector<std::unique_ptr<TCardRun>> runs;
  for (std::size_t card = 0; card < targets.size(); ++card)
    runs.push_back(std::make_unique<TCardRun>(
        card, targets[card], segments, mode, context.Platform, *display,
        [&finish] { finish.Notify(); }, proveCapacity));
  const auto allFinished = [&runs] {
    return std::all_of(runs.begin(), runs.end(),
                       [](const auto& run) { return run->HasFinished(); });
  };
  {
    // Ctrl-C asks every card to stop at its next transfer with what it wrote confirmed, instead of
    // leaving a transfer in flight; a second Ctrl-C ends the program at once.
    const TCaughtInterrupt interrupt(context.Interrupt, [&runs] {
      for (const auto& run : runs) run->RequestStop();
    });
    for (const auto& run : runs) run->Start();
    while (!allFinished()) {
      finish.WaitFor(std::chrono::milliseconds(200), allFinished);
      display->Tick();
    }
    for (const auto& run : runs) run->Join();
  }
  display->Close();
  PrintSummary(context.Out, targets, runs);
  const bool passed =
      std::all_of(runs.begin(), runs.end(), [](const auto& run) { return run->Result().Passed; });
  return passed ? ExitPassed : ExitCardFailed;
}

namespace {

// An image file stands for a whole card: it must reach past the last image it will hold.
void PrepareImages(std::ostream& err, const std::vector<TTarget>& targets,
                   const std::vector<TSegmentChoice>& segments) {
  std::uint64_t bytes = 0;
  for (const TSegmentChoice& segment : segments)
    bytes = std::max(bytes, SegmentImageEnd(segment.Segment, segment.Slot.DeclaredLength));
  for (const TTarget& target : targets) {
    if (target.IsDrive) continue;
    if (!target.Exists) err << target.VolumePath << ": creating a card image file\n";
    if (const std::error_code error = PrepareCardImage(target.VolumePath, bytes))
      throw TUsageError(target.VolumePath + ": cannot prepare the card image: " + error.message());
  }
}

}  // namespace

int RunWrite(const TCommandContext& context, const TSegmentFiles& files,
             const std::vector<std::string>& drives, bool verify, bool assumeYes,
             const std::optional<TCapacityOptions>& proveCapacity) {
  const std::vector<TSegmentChoice> segments = CheckSegmentFiles(files.Segment1, files.Segment2);
  const std::vector<TTarget> targets =
      ResolveTargets(drives, context.RemovableDrives(), TMissingImage::Create);
  // The proof needs a card of a known size: no image is made up for it.
  if (proveCapacity) CheckProvable(targets, *proveCapacity);
  ConfirmWrite(context, targets, segments, assumeYes, proveCapacity.has_value());
  PrepareImages(context.Err, targets, segments);
  return RunCards(context, targets, segments,
                  verify ? TRunMode::WriteAndVerify : TRunMode::WriteOnly, proveCapacity);
}

int RunVerify(const TCommandContext& context, const TSegmentFiles& files,
              const std::vector<std::string>& drives) {
  const std::vector<TSegmentChoice> segments = CheckSegmentFiles(files.Segment1, files.Segment2);
  return RunCards(context, ResolveTargets(drives, context.RemovableDrives(), TMissingImage::Refuse),
                  segments, TRunMode::VerifyOnly);
}

}  // namespace vorlane::cli
