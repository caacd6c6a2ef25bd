// What a write job reports: its progress while it runs, and once, at its end, what happened.
// The job speaks in these terms only; each program decides what a person sees of them.
#pragma once

#include <string>

#include "card/Outcome.h"
#include "drives/Volume.h"

namespace vorlane {

// Succeeded stays first: an outcome given no result has ended well (TOutcome).
enum class TJobResult {
  Succeeded,          // every image sector confirmed by the card
  NoFile,             // refused before the card was opened: no checked file, length 0
  TooLarge,           // refused before the card was opened: over the 400 MiB limit
  VolumeOpenFailed,   // no card, no permission, a file system that stayed mounted, ...
  TestWriteFailed,    // the test sector was not taken (or not confirmed)
  TestReadFailed,     // the test sector could not be read back
  TestCompareFailed,  // the card returned other bytes than it was given
  ImageWriteFailed,   // an image transfer, the file read behind it, or the final confirmation
  Stopped,            // asked to stop; what was written before is confirmed
};

using TJobOutcome = TOutcome<TJobResult>;

class TJobObserver {
 public:
  virtual ~TJobObserver() = default;
  // The segment's progress in percent, each new value once: at most 101 calls per job.
  virtual void Progress(int percent) = 0;
  // Exactly once, last; on the job's thread.
  virtual void Finished(const TJobOutcome& outcome) = 0;
};

bool IsFailure(TJobResult result);

// A volume that could not be opened, with the disk service's words where it gave any.
TJobOutcome OpenFailure(const TVolumeOpening& opening);

// One line for a log, for support: the drive, the step and the system's message, e.g.
// "/dev/sdb1: writing the segment at byte 4194304: Input/output error"; where the outcome has
// a detail, the drive and the detail.
std::string DescribeFailure(const std::string& volumePath, const TJobOutcome& outcome);

}  // namespace vorlane
