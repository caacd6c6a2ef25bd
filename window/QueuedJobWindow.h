// The window as the job's presenter sees it. The job runs on its own thread; every change here
// is queued to the window's thread and applied there in the order it was asked for. Changes
// still queued when the window goes are dropped with it.
#pragma once

#include "window/WindowEffects.h"

namespace vorlane {

class TForm1;
class TMessageBoxes;

class TQueuedJobWindow final : public TWindowEffects {
 public:
  TQueuedJobWindow(TForm1& form, TMessageBoxes& messages) : Form(form), Messages(messages) {}
  void SetStatusText(TSegment segment, const std::string& text) override;
  void SetStatusColor(TSegment segment, TColor color) override;
  void SetProgress(int percent) override;
  void EnableButton(TButton button) override;
  void ShowMessage(const std::string& text) override;

 private:
  template <typename TChange>
  void Post(TChange change);

  TForm1& Form;
  TMessageBoxes& Messages;
};

}  // namespace vorlane
