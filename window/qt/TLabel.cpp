#include "window/qt/TLabel.h"

#include <QMouseEvent>

namespace vorlane {

TLabel::TLabel(const QString& text, Qt::Alignment verticalAlignment, QWidget* parent)
    : QLabel(parent) {
  // Plain text: a file path is shown as it is, never taken for markup.
  setTextFormat(Qt::PlainText);
  setWordWrap(false);
  setAlignment(Qt::AlignLeft | verticalAlignment);
  setFocusPolicy(Qt::NoFocus);
  setText(text);
}

void TLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    emit Clicked();
  }
}

}  // namespace vorlane
