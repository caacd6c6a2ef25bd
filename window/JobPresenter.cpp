#include "window/JobPresenter.h"

#include "card/Texts.h"
#include "card/Tones.h"
#include "window/SlotWiring.h"

namespace vorlane {

TJobPresenter::TJobPresenter(TWindowEffects& window, TPlatform& sounds, TSegment segment,
                             std::string volumePath, TLogLine log)
    : Window(window),
      Sounds(sounds),
      Segment(segment),
      VolumePath(std::move(volumePath)),
      Log(std::move(log)) {}

void TJobPresenter::Progress(int percent) {
  if (!Detached) Window.SetProgress(percent);
}

void TJobPresenter::Finished(const TJobOutcome& outcome) {
  if (IsFailure(outcome.Result)) Log(DescribeFailure(VolumePath, outcome));
  if (Detached) return;
  switch (outcome.Result) {
    case TJobResult::Succeeded:
      ShowSuccess();
      break;
    case TJobResult::Stopped:
      break;
    case TJobResult::NoFile:
    case TJobResult::TooLarge:
    case TJobResult::VolumeOpenFailed:
      // A box, and the buttons back; after a failed open the label keeps its writing text, the
      // gauge is untouched, and nothing sounds.
      Window.ShowMessage(TextFor(outcome.Result));
      ReEnable();
      break;
    default:
      ShowFailure(outcome.Result);
  }
}

// The test sector's write and read failures leave the label black; a card that returned other
// bytes, or a segment that did not go on, turns it red, the first after the alarm.
void TJobPresenter::ShowFailure(TJobResult result) {
  if (result != TJobResult::TestCompareFailed) SetStatus(TextFor(result));
  if (result == TJobResult::ImageWriteFailed) SetStatusColor(StatusRed);
  ReEnable();
  Window.SetProgress(0);
  Alarm();
  if (result == TJobResult::TestCompareFailed) {
    SetStatus(TextFor(result));
    SetStatusColor(StatusRed);
  }
}

void TJobPresenter::ShowSuccess() {
  SetStatus(WrittenText);
  SetStatusColor(StatusGreen);
  Window.SetProgress(0);
  if (!Detached) SoundSuccess(Sounds);
  ReEnable();
}

void TJobPresenter::ReEnable() {
  for (TButton button : AllButtons) Window.EnableButton(button);
}

// The alarm blocks the job's thread, never the window's.
void TJobPresenter::Alarm() {
  if (!Detached) SoundAlarm(Sounds);
}

void TJobPresenter::SetStatus(const char* text) {
  Window.SetStatusText(Segment, text);
}

void TJobPresenter::SetStatusColor(TColor color) {
  Window.SetStatusColor(Segment, color);
}

}  // namespace vorlane
