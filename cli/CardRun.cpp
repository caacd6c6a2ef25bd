#include "cli/CardRun.h"

#include <chrono>

#include "card/TReadWrite.h"
#include "cli/ResultWords.h"

namespace vorlane::cli {
namespace {

// Forwards the job's progress and keeps its outcome for the card's thread.
class TJobWatcher final : public TJobObserver {
 public:
  TJobWatcher(TRunListener& listener, std::size_t card) : Listener(listener), Card(card) {}
  void Progress(int percent) override { Listener.StepProgress(Card, percent); }
  void Finished(const TJobOutcome& outcome) override { Outcome = outcome; }
  TJobOutcome Outcome;

 private:
  TRunListener& Listener;
  std::size_t Card;
};

std::string SegmentWords(TSegment segment) {
  return "(segment " + std::to_string(static_cast<int>(segment)) + ")";
}

// The card's words for a comparison that did not pass: the window's words for what the card
// did wrong, and where.
std::string CardWordsFor(const TVerifyOutcome& outcome, TSegment segment) {
  switch (outcome.Result) {
    case TVerifyResult::Differs:
      return std::string(WindowWords(TJobResult::TestCompareFailed)) + " " + SegmentWords(segment) +
             ", verification failed at sector " + std::to_string(*outcome.Sector);
    case TVerifyResult::CardReadFailed:
      return std::string(WindowWords(TJobResult::TestReadFailed)) + " " + SegmentWords(segment);
    case TVerifyResult::FileReadFailed:
      return "the WAV file could not be read " + SegmentWords(segment);
    default:
      return "stopped";
  }
}

std::string StepWordsFor(const TVerifyOutcome& outcome) {
  if (outcome.Result == TVerifyResult::Differs)
    return "verification failed at sector " + std::to_string(*outcome.Sector);
  if (outcome.Result == TVerifyResult::CardReadFailed)
    return WindowWords(TJobResult::TestReadFailed);
  return outcome.Result == TVerifyResult::Stopped ? "stopped" : "the WAV file could not be read";
}

}  // namespace

TCardRun::TCardRun(std::size_t index, const TTarget& target,
                   const std::vector<TSegmentChoice>& segments, TRunMode mode, TPlatform& platform,
                   TRunListener& listener, std::function<void()> finished)
    : Index(index),
      Target(target),
      Segments(segments),
      Mode(mode),
      Platform(platform),
      Listener(listener),
      Finished(std::move(finished)) {}

void TCardRun::Start() {
  Thread = std::jthread([this](std::stop_token stop) { Run(stop); });
}

void TCardRun::Join() {
  if (Thread.joinable()) Thread.join();
}

void TCardRun::Run(std::stop_token stop) {
  const auto started = std::chrono::steady_clock::now();
  Outcome.Passed = true;
  for (const TSegmentChoice& segment : Segments) {
    if (Mode != TRunMode::VerifyOnly && !WriteSegment(segment, stop)) break;
    if (Mode != TRunMode::WriteOnly && !VerifySegment(segment, stop)) break;
  }
  if (Outcome.Passed) {
    const char* written = WindowWords(TJobResult::Succeeded);
    Outcome.Words = Mode == TRunMode::VerifyOnly  ? "verified"
                    : Mode == TRunMode::WriteOnly ? std::string(written) + " (not verified)"
                                                  : std::string(written) + " (verified)";
  }
  Outcome.Seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  Done = true;
  Finished();
}

bool TCardRun::WriteSegment(const TSegmentChoice& segment, std::stop_token stop) {
  const TStep step = StepFor(TStepKind::Write, segment);
  Listener.StepStarted(Index, step);
  TJobWatcher watcher(Listener, Index);
  {
    TReadWriteThread job({Target.VolumePath, segment.Segment, segment.Slot}, watcher, Platform,
                         SectorBuf);
    const std::stop_callback stopJob(stop, [&job] { job.RequestStop(); });
    job.WaitFor();
  }
  const TJobResult result = watcher.Outcome.Result;
  if (result == TJobResult::Succeeded) {
    Outcome.BytesMoved += step.ImageBytes;
    EndStep(step, true, "written", {});
    return true;
  }
  if (IsFailure(result)) Listener.Failure(DescribeFailure(Target.VolumePath, watcher.Outcome));
  const std::string words = WindowWords(result);
  EndStep(step, false, words,
          result == TJobResult::Stopped ? words : words + " " + SegmentWords(segment.Segment));
  return false;
}

// The card is opened anew, through the same volume code as the job: its reads bypass every
// cache, so what the job wrote is read from the card itself.
bool TCardRun::VerifySegment(const TSegmentChoice& segment, std::stop_token stop) {
  const TStep step = StepFor(TStepKind::Verify, segment);
  Listener.StepStarted(Index, step);
  const TVolumeOpening opening = Platform.OpenVolume(Target.VolumePath);
  if (!opening.Volume) {
    const TJobOutcome failed{TJobResult::VolumeOpenFailed, opening.Error, std::nullopt};
    Listener.Failure(DescribeFailure(Target.VolumePath, failed));
    const std::string words = WindowWords(TJobResult::VolumeOpenFailed);
    EndStep(step, false, words, words + " " + SegmentWords(segment.Segment));
    return false;
  }
  const TVerifyOutcome outcome = vorlane::VerifySegment(
      *opening.Volume, segment.Segment, segment.Slot,
      [this](int percent) { Listener.StepProgress(Index, percent); }, stop);
  if (outcome.Result == TVerifyResult::Matches) {
    Outcome.BytesMoved += step.ImageBytes;
    EndStep(step, true, "verified", {});
    return true;
  }
  if (outcome.Result != TVerifyResult::Stopped)
    Listener.Failure(DescribeVerifyFailure(Target.VolumePath, segment.Segment, outcome));
  EndStep(step, false, StepWordsFor(outcome), CardWordsFor(outcome, segment.Segment));
  return false;
}

TStep TCardRun::StepFor(TStepKind kind, const TSegmentChoice& segment) const {
  return {kind, segment.Segment, ImageBytesFor(segment.Slot.DeclaredLength)};
}

void TCardRun::EndStep(const TStep& step, bool passed, const std::string& stepWords,
                       const std::string& cardWords) {
  Listener.StepEnded(Index, step, passed, stepWords);
  if (passed) return;
  Outcome.Passed = false;
  Outcome.Words = cardWords;
}

}  // namespace vorlane::cli
