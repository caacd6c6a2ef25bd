// The window as the job's presenter sees it. The job runs on its own thread; every change is
// posted to the window's thread and applied there to the view, in the order it was asked for.
#pragma once

#include "window/TFormView.h"
#include "window/WindowEffects.h"

namespace vorlane {

class TPostedJobWindow final : public TWindowEffects {
 public:
  explicit TPostedJobWindow(TFormView& view) : View(view) {}
  void SetStatusText(TSegment segment, const std::string& text) override;
  void SetStatusColor(TSegment segment, TColor color) override;
  void SetProgress(int percent) override;
  void EnableButton(TButton button) override;
  void ShowMessage(const std::string& text) override;

 private:
  TFormView& View;
};

}  // namespace vorlane
