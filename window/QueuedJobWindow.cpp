#include "window/QueuedJobWindow.h"

#include <QMetaObject>

#include "window/Look.h"
#include "window/MessageBoxes.h"
#include "window/TForm1.h"
#include "window/TGauge.h"
#include "window/TLabel.h"
#include "window/TSpeedButton.h"

namespace vorlane {

template <typename TChange>
void TQueuedJobWindow::Post(TChange change) {
  QMetaObject::invokeMethod(&Form, std::move(change), Qt::QueuedConnection);
}

void TQueuedJobWindow::SetStatusText(TSegment segment, const std::string& text) {
  Post([this, segment, text = QString::fromStdString(text)] {
    Form.SlotFor(segment).StatusLabel->setText(text);
  });
}

void TQueuedJobWindow::SetStatusColor(TSegment segment, TColor color) {
  Post([this, segment, color] {
    SetTextColor(*Form.SlotFor(segment).StatusLabel, QColor(color.R, color.G, color.B));
  });
}

void TQueuedJobWindow::SetProgress(int percent) {
  Post([this, percent] { Form.Gauge1->SetProgress(percent); });
}

void TQueuedJobWindow::EnableButton(TButton button) {
  Post([this, button] { Form.SpeedButton(button)->setEnabled(true); });
}

void TQueuedJobWindow::ShowMessage(const std::string& text) {
  Post([this, text = QString::fromStdString(text)] { Messages.ShowMessage(text); });
}

}  // namespace vorlane
