// The write job's view of the window. The job runs on its own thread; every call here is
// queued to the window's thread and applied there in the order the job made it. Calls still
// queued when the window goes are dropped with it.
#pragma once

#include "card/JobWindow.h"

namespace vorlane {

class TForm1;
class TMessageBoxes;

class TQueuedJobWindow final : public TJobWindow {
 public:
  TQueuedJobWindow(TForm1& form, TMessageBoxes& messages) : Form(form), Messages(messages) {}
  void SetStatusText(int writeMode, const std::string& text) override;
  void SetStatusColor(int writeMode, TColor color) override;
  void SetProgress(int percent) override;
  void EnableButton(int buttonNumber) override;
  void ShowMessage(const std::string& text) override;

 private:
  template <typename TChange>
  void Post(TChange change);

  TForm1& Form;
  TMessageBoxes& Messages;
};

}  // namespace vorlane
