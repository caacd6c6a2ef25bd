// One card's work on a thread of its own: a check that the card keeps what the segments need
// (where asked, first a proof that it keeps every byte it reports), the write job for each
// segment, then one pass comparing the test sector and every segment with what was written. A
// card that fails stops itself only; the others go on.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "card/CapacityProof.h"
#include "card/CardLayout.h"
#include "card/JobOutcome.h"
#include "card/Verify.h"
#include "cli/SegmentFiles.h"
#include "cli/Targets.h"
#include "drives/Platform.h"

namespace vorlane::cli {

// Grade is the station's own: a card that passed every step but moved its bytes too slowly.
enum class TStepKind { Check, Write, Verify, Grade };

struct TStep {
  TStepKind Kind = TStepKind::Write;
  TSegment Segment = TSegment::One;  // Check: the card as a whole
  std::uint64_t ImageBytes = 0;      // the segment's image: SectorCount + 1 sectors
};

// What the program shows of the cards' work. Called on the cards' threads, concurrently.
class TRunListener {
 public:
  virtual ~TRunListener() = default;
  virtual void StepStarted(std::size_t card, const TStep& step) = 0;
  virtual void StepProgress(std::size_t card, int percent) = 0;
  // words: "checked", "written", "verified", or what went wrong. A listener that shows steps
  // only while they run has nothing to do here.
  virtual void StepEnded(std::size_t /*card*/, const TStep& /*step*/, bool /*passed*/,
                         const std::string& /*words*/) {}
  // One line for standard error, for each failure.
  virtual void Failure(const std::string& logLine) = 0;
};

// ProveOnly: the capacity proof alone, no segments.
enum class TRunMode { WriteAndVerify, WriteOnly, VerifyOnly, ProveOnly };

// How long a kind of step took, and the image bytes its finished steps moved.
struct TStepTimes {
  double Seconds = 0;
  std::uint64_t Bytes = 0;
};

// Where a card failed, for records and support: the step, the card byte, the system's words.
struct TCardFailure {
  TStep Step;
  std::optional<std::uint64_t> CardByte;
  std::string SystemError;  // the system's message, or what the card did wrong
};

// What the capacity proof found on the card, and how long it took.
struct TCapacityCheck {
  TCapacityProof Proof;
  double Seconds = 0;
  std::uint64_t CacheBytes = 0;  // the largest cache it was proved behind
};

struct TCardResult {
  bool Passed = false;
  bool Stopped = false;  // asked to stop before it had passed; never a pass
  // The reader held no card when the card was first opened: nothing was written. A card just
  // put in can answer so for a moment after it shows.
  bool NoCard = false;
  std::string Words;  // the card's result for its summary line
  double Seconds = 0;
  std::uint64_t BytesMoved = 0;  // image bytes written and read back by finished steps
  std::optional<TCardFailure> Failure;
  TStepTimes Writing;
  TStepTimes Verifying;
  std::optional<TCapacityCheck> Capacity;  // where the proof ran
};

class TCardRun {
 public:
  // Everything passed in must outlive the run. finished is called on the card's thread once
  // its work has ended. proveCapacity: the capacity proof runs first, behind such a cache.
  TCardRun(std::size_t index, const TTarget& target, const std::vector<TSegmentChoice>& segments,
           TRunMode mode, TPlatform& platform, TRunListener& listener,
           std::function<void()> finished,
           std::optional<TCapacityOptions> proveCapacity = std::nullopt);
  void Start();
  // The write job stops at its next transfer with what it wrote confirmed; a comparison at its
  // next transfer.
  void RequestStop() { Thread.request_stop(); }
  void Join();
  bool HasFinished() const { return Done; }
  const TCardResult& Result() const { return Outcome; }  // after Join

 private:
  void Run(std::stop_token stop);
  bool CheckCard(std::stop_token stop);
  bool CheckCapacity(const TStep& step);
  bool ProveCardCapacity(TVolume& volume, const TStep& step, std::stop_token stop);
  bool WriteSegment(const TSegmentChoice& segment, std::stop_token stop);
  void VerifyCard(std::stop_token stop);
  void VerifyAll(std::stop_token stop);
  bool VerifyTestSector(TVolume& volume, const TStep& step);
  bool VerifySegment(TVolume& volume, const TSegmentChoice& segment, std::stop_token stop);
  bool OpenFailed(const TStep& step, const TVolumeOpening& opening);
  TStep StepFor(TStepKind kind, const TSegmentChoice& segment) const;
  void EndStep(const TStep& step, bool passed, const std::string& stepWords,
               const std::string& cardWords, TCardFailure failure = {});

  const std::size_t Index;
  const TTarget& Target;
  const std::vector<TSegmentChoice>& Segments;
  const TRunMode Mode;
  TPlatform& Platform;
  TRunListener& Listener;
  const std::function<void()> Finished;
  const std::optional<TCapacityOptions> ProveCapacity;
  TSector SectorBuf{};  // the job's test sector buffer, one per card
  TCardResult Outcome;
  std::atomic<bool> Done = false;
  std::jthread Thread;
};

}  // namespace vorlane::cli
