// The write job: proves the card with the test sector, looks for a card that folds its addresses
// over its start, puts one segment's image on it, and proves the test sector survived.
#pragma once

#include <cstdint>
#include <stop_token>
#include <string>
#include <thread>

#include "card/CardLayout.h"
#include "card/JobOutcome.h"
#include "card/TSegmentSlot.h"
#include "drives/Platform.h"

namespace vorlane {

class TImageWriter;

// Everything the job needs, taken on the caller's thread when the job is asked for: later
// changes to the drive list or the slot do not reach a running job.
struct TWriteRequest {
  std::string VolumePath;  // VolumePathFor(the selected entry), or a card image
  TSegment WriteMode = TSegment::One;
  TSegmentSlot Slot;  // the checked file and its declared length
};

class TReadWriteThread {
 public:
  // Starts the job at once on its own thread. sectorBuf, observer and platform are lent to the
  // job and must outlive this object.
  TReadWriteThread(TWriteRequest request, TJobObserver& observer, TPlatform& platform,
                   TSector& sectorBuf);
  // Asks a running job to stop at its next transfer, then waits for it: the written part is
  // confirmed and the volume closed.
  ~TReadWriteThread();
  TReadWriteThread(const TReadWriteThread&) = delete;
  TReadWriteThread& operator=(const TReadWriteThread&) = delete;

  // Asks the job to stop at its next transfer and returns at once.
  void RequestStop() { Thread.request_stop(); }
  void WaitFor();

 private:
  void Execute(std::stop_token stop);
  TJobOutcome Run();
  TJobOutcome WriteImage(TVolume& volume);
  TJobOutcome RecheckTestSector(TVolume& volume);
  TJobOutcome SendTransfer(std::uint64_t firstSector, std::uint64_t count, TImageWriter& writer);
  void ShowSectorsDone(std::uint64_t sectors);
  void ReportProgress(int percent);

  const TWriteRequest Request;
  TJobObserver& Observer;
  TPlatform& Platform;
  TSector& SectorBuf;
  // The gauge's state: image sectors it has counted, and the value last handed on. Changed on
  // the image writer's thread while it runs, on the job's thread once it has finished.
  std::uint64_t SectorsShown = 0;
  int ShownProgress = -1;
  std::stop_token Stop;  // the job thread's own; set as the job starts
  std::jthread Thread;   // last: starts once everything above is ready
};

}  // namespace vorlane
