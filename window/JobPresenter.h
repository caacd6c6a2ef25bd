// Turns what a write job reports into what the window has always shown: the status label's
// text and colour, the gauge, the buttons, the message box, and the beeps.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "card/JobOutcome.h"
#include "drives/Platform.h"
#include "window/WindowEffects.h"

namespace vorlane {

// Takes one line for support about a job that failed: drive, step, the system's message.
using TLogLine = std::function<void(const std::string& line)>;

class TJobPresenter final : public TJobObserver {
 public:
  // Beeps and pauses come from sounds and block the caller, which is the job's thread; so do
  // the log's lines.
  TJobPresenter(TWindowEffects& window, TPlatform& sounds, TSegment segment, std::string volumePath,
                TLogLine log);
  void Progress(int percent) override;
  void Finished(const TJobOutcome& outcome) override;
  // The window is closing: from now on nothing reaches it and nothing sounds.
  void Detach() { Detached = true; }

 private:
  void ShowFailure(TJobResult result);
  void ShowSuccess();
  void ReEnable();
  void Alarm();
  void SetStatus(const char* text);
  void SetStatusColor(TColor color);

  TWindowEffects& Window;
  TPlatform& Sounds;
  const TSegment Segment;
  const std::string VolumePath;
  const TLogLine Log;
  std::atomic<bool> Detached = false;
};

}  // namespace vorlane
