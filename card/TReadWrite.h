// The write job: proves the card with the test sector, then puts one segment's image on it.
#pragma once

#include <cstdint>
#include <stop_token>
#include <string>
#include <thread>

#include "card/CardLayout.h"
#include "card/JobWindow.h"
#include "card/TSegmentSlot.h"
#include "drives/Platform.h"

namespace vorlane {

// Everything the job needs from the window, taken on the window's thread when Write is pressed:
// later changes to the drive list or the slot do not reach a running job.
struct TWriteRequest {
  std::string DriveEntry;  // the selected drive list entry; empty when none is selected
  int WriteMode = 1;       // 1: segment 1, 2: segment 2
  TSegmentSlot Slot;       // the checked file and its declared length
};

inline constexpr const char* ReinsertDiskMessage = "请重插移动磁盘";
inline constexpr const char* WriteErrorText = "Write  Error!";
inline constexpr const char* ReadErrorText = "Read  Error!";

class TReadWriteThread {
 public:
  // Starts the job at once on its own thread. SectorBuf, window and platform are lent to the
  // job and must outlive this object.
  TReadWriteThread(TWriteRequest request, TJobWindow& window, TPlatform& platform,
                   TSector& SectorBuf);
  // Asks a running job to stop at its next sector, then waits for it: the written part is
  // synced, the volume closed, and the window hears nothing more.
  ~TReadWriteThread();
  TReadWriteThread(const TReadWriteThread&) = delete;
  TReadWriteThread& operator=(const TReadWriteThread&) = delete;

  // Asks the job to stop at its next sector and returns at once.
  void RequestStop() { Thread.request_stop(); }
  void WaitFor();
  // "Write  Error!" or "Read  Error!" after a failed transfer, empty otherwise. Nothing shows
  // it; it is kept for diagnosis. Valid once WaitFor() has returned.
  const std::string& ErrorText() const { return Error; }

 private:
  void Execute(std::stop_token stop);
  void Run();
  bool TestCard(TVolume& volume);
  void WriteImage(TVolume& volume);

  void FailTransfer(const char* statusText, bool red, const char* error);
  void ReEnable();
  void Alarm();
  void SetStatus(const std::string& text);
  void SetStatusColor(TColor color);
  void SetProgress(int percent);

  const TWriteRequest Request;
  TJobWindow& Window;
  TPlatform& Platform;
  TSector& SectorBuf;
  TSector ReadBack{};
  int ShownProgress = -1;
  std::string Error;
  std::stop_token Stop;  // the job thread's own; set as the job starts
  std::jthread Thread;   // last: starts once everything above is ready
};

}  // namespace vorlane
