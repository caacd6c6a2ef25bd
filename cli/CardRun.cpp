#include "cli/CardRun.h"

#include <chrono>

#include "card/CardImage.h"
#include "card/CardProof.h"
#include "card/TReadWrite.h"
#include "card/Texts.h"
#include "cli/CapacityCheck.h"

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
  std::string words{"("};
  words += DescribeSegment(segment);
  words += ')';
  return words;
}

// The card's words for a comparison that did not pass: the window's words for what the card
// did wrong, and where.
std::string CardWordsFor(const TVerifyOutcome& outcome, TSegment segment) {
  switch (outcome.Result) {
    case TVerifyResult::Differs:
      return std::string(TestFailedText) + " " + SegmentWords(segment) +
             ", verification failed at " + DescribeSectorOf(*outcome.CardOffset);
    case TVerifyResult::CardReadFailed:
      return std::string(ReadFailedText) + " " + SegmentWords(segment);
    case TVerifyResult::FileReadFailed:
      return "the WAV file could not be read " + SegmentWords(segment);
    default:
      return StoppedText;
  }
}

std::string StepWordsFor(const TVerifyOutcome& outcome) {
  if (outcome.Result == TVerifyResult::Differs)
    return "verification failed at " + DescribeSectorOf(*outcome.CardOffset);
  if (outcome.Result == TVerifyResult::CardReadFailed) return ReadFailedText;
  return outcome.Result == TVerifyResult::Stopped ? StoppedText : "the WAV file could not be read";
}

template <typename TResultKind>
TCardFailure FailureOf(const TOutcome<TResultKind>& outcome) {
  return {{}, outcome.CardOffset, outcome.Error ? outcome.Error.message() : outcome.Detail};
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TCardRun::TCardRun(std::size_t index, const TTarget& target,
                   const std::vector<TSegmentChoice>& segments, TRunMode mode, TPlatform& platform,
                   TRunListener& listener, std::function<void()> finished,
                   std::optional<TCapacityOptions> proveCapacity)
    : Index(index),
      Target(target),
      Segments(segments),
      Mode(mode),
      Platform(platform),
      Listener(listener),
      Finished(std::move(finished)),
      ProveCapacity(proveCapacity) {}

void TCardRun::Start() {
  Thread = std::jthread([this](std::stop_token stop) { Run(stop); });
}

void TCardRun::Join() {
  if (Thread.joinable()) Thread.join();
}

void TCardRun::Run(std::stop_token stop) {
  const auto started = std::chrono::steady_clock::now();
  Outcome.Passed = true;
  if (Mode != TRunMode::VerifyOnly && CheckCard(stop))
    for (const TSegmentChoice& segment : Segments)
      if (!WriteSegment(segment, stop)) break;
  // Only once every segment is written: a later one that folded over an earlier one shows.
  if (Outcome.Passed && (Mode == TRunMode::WriteAndVerify || Mode == TRunMode::VerifyOnly))
    VerifyCard(stop);
  if (Outcome.Passed) {
    Outcome.Words = Mode == TRunMode::VerifyOnly  ? "verified"
                    : Mode == TRunMode::WriteOnly ? std::string(WrittenText) + " (not verified)"
                    : Mode == TRunMode::ProveOnly ? ProvedWords(Outcome.Capacity->Proof)
                                                  : std::string(WrittenText) + " (verified)";
  }
  Outcome.Seconds = SecondsSince(started);
  Done = true;
  Finished();
}

// A card too small, or one that folds its addresses, is refused in about a second, before the
// long write: the test sector is proved, and each segment's image probed, as the job does. The
// capacity proof, where asked, comes before them and takes seconds.
bool TCardRun::CheckCard(std::stop_token stop) {
  const TStep step{TStepKind::Check, Segments.empty() ? TSegment::One : Segments.front().Segment,
                   ProveCapacity ? PlannedProofBytes(ReportedBytesOf(Target), *ProveCapacity) : 0};
  Listener.StepStarted(Index, step);
  if (!Segments.empty() && !CheckCapacity(step)) return false;
  const TVolumeOpening opening = Platform.OpenVolume(Target.VolumePath);
  if (!opening.Volume) {
    Outcome.NoCard = IsNoCardError(opening.Error);
    return OpenFailed(step, opening);
  }
  if (ProveCapacity && !ProveCardCapacity(*opening.Volume, step, stop)) return false;
  if (Segments.empty()) {
    EndStep(step, true, ProvedWords(Outcome.Capacity->Proof), {});
    return true;
  }
  TJobOutcome proved = ProveTestSector(*opening.Volume, SectorBuf);
  TSegment failing = Segments.front().Segment;
  const std::uint64_t token = NewProbeToken();
  for (const TSegmentChoice& segment : Segments) {
    if (proved.Result != TJobResult::Succeeded) break;
    failing = segment.Segment;
    proved = ProbeSegmentImage(*opening.Volume, failing, segment.Slot.DeclaredLength, token);
  }
  if (proved.Result == TJobResult::Succeeded) {
    EndStep(step, true, "checked", {});
    return true;
  }
  Listener.Failure(DescribeFailure(Target.VolumePath, proved));
  const std::string words = TextFor(proved.Result);
  EndStep(step, false, words,
          words + " " + SegmentWords(failing) + (proved.Detail.empty() ? "" : ", " + proved.Detail),
          FailureOf(proved));
  return false;
}

// The drive list's size is what the card reports; 0 where it could not be told.
bool TCardRun::CheckCapacity(const TStep& step) {
  const TSegmentChoice& last = Segments.back();
  const std::uint64_t needed = SegmentImageEnd(last.Segment, last.Slot.DeclaredLength);
  const std::uint64_t reported = Target.IsDrive ? Target.Details.SizeBytes : 0;
  if (reported == 0 || reported >= needed) return true;
  const std::string problem = "the card reports " + std::to_string(reported) + " bytes, " +
                              DescribeSegment(last.Segment) + " ends at byte " +
                              std::to_string(needed);
  Listener.Failure(Target.VolumePath + ": checking the card: " + problem);
  const std::string words = TestFailedText;
  EndStep(step, false, words, words + " " + SegmentWords(last.Segment) + ", " + problem,
          {{}, std::nullopt, problem});
  return false;
}

// The card's own word for its size is what the proof holds it to.
bool TCardRun::ProveCardCapacity(TVolume& volume, const TStep& step, std::stop_token stop) {
  const std::uint64_t reported = ReportedBytesOf(Target);
  if (const std::string problem = ProvableProblem(reported, *ProveCapacity); !problem.empty()) {
    Listener.Failure(Target.VolumePath + ": proving the card's capacity: " + problem);
    const std::string words = std::string(TestFailedText);
    EndStep(step, false, words, words + " (capacity), " + problem, {{}, std::nullopt, problem});
    return false;
  }
  const auto started = std::chrono::steady_clock::now();
  const TCapacityProof proof = vorlane::ProveCapacity(
      volume, reported, *ProveCapacity,
      [this](int percent) { Listener.StepProgress(Index, percent); }, stop);
  Outcome.Capacity = TCapacityCheck{proof, SecondsSince(started), ProveCapacity->CacheBytes};
  Outcome.BytesMoved += proof.BytesWritten + proof.BytesRead;
  const TJobResult result = proof.Outcome.Result;
  if (result == TJobResult::Succeeded) return true;
  if (IsFailure(result)) Listener.Failure(DescribeFailure(Target.VolumePath, proof.Outcome));
  const std::string words = TextFor(result);
  Outcome.Stopped = result == TJobResult::Stopped;
  const std::string why =
      proof.Outcome.Error ? proof.Outcome.Error.message() : proof.Outcome.Detail;
  EndStep(step, false, words, Outcome.Stopped ? words : words + " (capacity), " + why,
          FailureOf(proof.Outcome));
  return false;
}

bool TCardRun::WriteSegment(const TSegmentChoice& segment, std::stop_token stop) {
  const TStep step = StepFor(TStepKind::Write, segment);
  Listener.StepStarted(Index, step);
  TJobWatcher watcher(Listener, Index);
  const auto started = std::chrono::steady_clock::now();
  {
    TReadWriteThread job({Target.VolumePath, segment.Segment, segment.Slot}, watcher, Platform,
                         SectorBuf);
    const std::stop_callback stopJob(stop, [&job] { job.RequestStop(); });
    job.WaitFor();
  }
  const TJobResult result = watcher.Outcome.Result;
  Outcome.Writing.Seconds += SecondsSince(started);
  if (result == TJobResult::Succeeded) {
    Outcome.BytesMoved += step.ImageBytes;
    Outcome.Writing.Bytes += step.ImageBytes;
    EndStep(step, true, "written", {});
    return true;
  }
  if (IsFailure(result)) Listener.Failure(DescribeFailure(Target.VolumePath, watcher.Outcome));
  const std::string words = TextFor(result);
  Outcome.Stopped = result == TJobResult::Stopped;
  EndStep(step, false, words, Outcome.Stopped ? words : words + " " + SegmentWords(segment.Segment),
          FailureOf(watcher.Outcome));
  return false;
}

// The card is opened anew, through the same volume code as the job: its reads bypass every
// cache, so what the jobs wrote is read from the card itself, all of it in one pass.
void TCardRun::VerifyCard(std::stop_token stop) {
  const auto started = std::chrono::steady_clock::now();
  VerifyAll(stop);
  Outcome.Verifying.Seconds = SecondsSince(started);
}

void TCardRun::VerifyAll(std::stop_token stop) {
  const TVolumeOpening opening = Platform.OpenVolume(Target.VolumePath);
  for (const TSegmentChoice& segment : Segments) {
    const TStep step = StepFor(TStepKind::Verify, segment);
    Listener.StepStarted(Index, step);
    if (!opening.Volume) {
      OpenFailed(step, opening);
      return;
    }
    // The test sector belongs to no segment: it is compared once, as the first segment's
    // verification begins (the first element itself, not a segment equal to it).
    if (&segment == &Segments.front() && !VerifyTestSector(*opening.Volume, step)) return;
    if (!VerifySegment(*opening.Volume, segment, stop)) return;
  }
}

bool TCardRun::VerifyTestSector(TVolume& volume, const TStep& step) {
  const TJobOutcome checked = CheckTestPattern(volume);
  if (checked.Result == TJobResult::Succeeded) return true;
  const bool differs = checked.Result == TJobResult::TestCompareFailed;
  Listener.Failure(Target.VolumePath + ": verifying the test sector: " +
                   (differs ? "the card no longer holds the test pattern"
                            : "reading the card: " + checked.Error.message()));
  const std::string words = TextFor(checked.Result);
  const std::string where = "verification failed at " + DescribeSectorOf(TestSectorByte);
  EndStep(step, false, differs ? where : words,
          words + " (test sector)" + (differs ? ", " + where : ""), FailureOf(checked));
  return false;
}

bool TCardRun::VerifySegment(TVolume& volume, const TSegmentChoice& segment, std::stop_token stop) {
  const TStep step = StepFor(TStepKind::Verify, segment);
  const TVerifyOutcome outcome = vorlane::VerifySegment(
      volume, segment.Segment, segment.Slot,
      [this](int percent) { Listener.StepProgress(Index, percent); }, stop);
  if (outcome.Result == TVerifyResult::Matches) {
    Outcome.BytesMoved += step.ImageBytes;
    Outcome.Verifying.Bytes += step.ImageBytes;
    EndStep(step, true, "verified", {});
    return true;
  }
  if (outcome.Result != TVerifyResult::Stopped)
    Listener.Failure(DescribeVerifyFailure(Target.VolumePath, segment.Segment, outcome));
  Outcome.Stopped = outcome.Result == TVerifyResult::Stopped;
  EndStep(step, false, StepWordsFor(outcome), CardWordsFor(outcome, segment.Segment),
          FailureOf(outcome));
  return false;
}

bool TCardRun::OpenFailed(const TStep& step, const TVolumeOpening& opening) {
  Listener.Failure(DescribeFailure(Target.VolumePath, OpenFailure(opening)));
  const std::string words = ReinsertDiskText;
  EndStep(step, false, words, words + " " + SegmentWords(step.Segment),
          FailureOf(OpenFailure(opening)));
  return false;
}

TStep TCardRun::StepFor(TStepKind kind, const TSegmentChoice& segment) const {
  return {kind, segment.Segment, ImageBytesFor(segment.Slot.DeclaredLength)};
}

void TCardRun::EndStep(const TStep& step, bool passed, const std::string& stepWords,
                       const std::string& cardWords, TCardFailure failure) {
  Listener.StepEnded(Index, step, passed, stepWords);
  if (passed) return;
  Outcome.Passed = false;
  Outcome.Words = cardWords;
  failure.Step = step;
  Outcome.Failure = std::move(failure);
}

}  // namespace vorlane::cli
