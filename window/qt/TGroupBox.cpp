#include "window/qt/TGroupBox.h"

#include <QPainter>

#include "window/qt/Look.h"

namespace vorlane {

TGroupBox::TGroupBox(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {
  setFocusPolicy(Qt::NoFocus);
  setAutoFillBackground(true);
}

void TGroupBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics(font());
  // The frame's top line runs through the middle of the caption.
  const int frameTop = metrics.height() / 2 - 1;
  painter.setPen(WindowFrame);
  painter.drawRect(QRect(0, frameTop, width(), height() - frameTop).adjusted(0, 0, -1, -1));

  const QRect captionRect(8, 0, metrics.horizontalAdvance(title()), metrics.height());
  painter.fillRect(captionRect, palette().window());
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(captionRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, title());
}

}  // namespace vorlane
