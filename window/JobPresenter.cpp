#include "window/JobPresenter.h"

#include "card/Tones.h"

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
      Window.ShowMessage("请先打开WAV格式文件");
      ReEnable();
      break;
    case TJobResult::TooLarge:
      Window.ShowMessage("WAV文件不能大于400M");
      ReEnable();
      break;
    case TJobResult::VolumeOpenFailed:
      // The label keeps "正在写入SD卡....", the gauge is untouched, and nothing sounds.
      Window.ShowMessage(ReinsertDiskMessage);
      ReEnable();
      break;
    default:
      ShowFailure(outcome);
  }
}

// The test sector's write and read failures leave the label black; a card that returned other
// bytes, or a segment that did not go on, turns it red.
void TJobPresenter::ShowFailure(const TJobOutcome& outcome) {
  switch (outcome.Result) {
    case TJobResult::TestWriteFailed:
      SetStatus("写入SD卡失败!");
      break;
    case TJobResult::TestReadFailed:
      SetStatus("读SD卡失败!");
      break;
    case TJobResult::ImageWriteFailed:
      SetStatus("写入SD卡失败!");
      SetStatusColor(StatusRed);
      break;
    default:
      break;
  }
  ReEnable();
  Window.SetProgress(0);
  Alarm();
  if (outcome.Result == TJobResult::TestCompareFailed) {
    SetStatus("测试SD卡失败!");
    SetStatusColor(StatusRed);
  }
}

void TJobPresenter::ShowSuccess() {
  SetStatus("已成功写入SD卡!");
  SetStatusColor(StatusGreen);
  Window.SetProgress(0);
  if (!Detached) SoundSuccess(Sounds);
  ReEnable();
}

void TJobPresenter::ReEnable() {
  for (TButton button :
       {TButton::SpeedButton1, TButton::SpeedButton2, TButton::SpeedButton3, TButton::SpeedButton4})
    Window.EnableButton(button);
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
