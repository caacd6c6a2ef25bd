#include "window/PostedJobWindow.h"

namespace vorlane {

void TPostedJobWindow::SetStatusText(TSegment segment, const std::string& text) {
  View.PostToWindowThread([this, segment, text] { View.SetStatusText(segment, text); });
}

void TPostedJobWindow::SetStatusColor(TSegment segment, TColor color) {
  View.PostToWindowThread([this, segment, color] { View.SetStatusColor(segment, color); });
}

void TPostedJobWindow::SetProgress(int percent) {
  View.PostToWindowThread([this, percent] { View.SetProgress(percent); });
}

void TPostedJobWindow::EnableButton(TButton button) {
  View.PostToWindowThread([this, button] { View.SetButtonEnabled(button, true); });
}

void TPostedJobWindow::ShowMessage(const std::string& text) {
  View.PostToWindowThread([this, text] { View.ShowMessage(text); });
}

}  // namespace vorlane
