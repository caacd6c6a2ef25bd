#include "window/qt/TGauge.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "window/qt/Look.h"

namespace vorlane {

TGauge::TGauge(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  // Render() covers every pixel, so Qt need not clear the background first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TGauge::SetProgress(int value) {
  const int percent = std::clamp(value, 0, 100);
  if (percent == Percent) return;
  Percent = percent;
  update();
}

int GaugeBarColumns(int insideWidth, int percent) {
  const int w = insideWidth + 1;
  const int f = std::min(w, static_cast<int>(std::trunc(w * percent * 0.01)));
  return f > 1 ? f - 1 : 0;
}

QImage TGauge::Render() const {
  QImage image(size(), QImage::Format_RGB32);
  image.fill(Qt::black);  // what stays of it is the one-pixel frame
  const QRect inside = image.rect().adjusted(1, 1, -1, -1);
  if (inside.isEmpty()) return image;

  QPainter painter(&image);
  painter.fillRect(inside, SkyBlue);
  const int bar = GaugeBarColumns(inside.width(), Percent);
  if (bar > 0) painter.fillRect(QRect(inside.topLeft(), QSize(bar, inside.height())), Blue);
  painter.end();

  InvertText(image, inside);
  return image;
}

// Writes "NN%" into a separate mask and then inverts the image wherever the mask is set:
// sky blue becomes (89, 53, 15), blue becomes (255, 255, 0).
void TGauge::InvertText(QImage& image, const QRect& inside) const {
  const QString text = QStringLiteral("%1%").arg(Percent);
  const QFont font = GaugeFont();
  const QFontMetrics metrics(font);
  // Measured from the gauge's corner, not the inside's, with the inside's sizes plus one.
  const int x = (inside.width() + 1 - metrics.horizontalAdvance(text)) / 2;
  const int y = (inside.height() + 1 - metrics.height()) / 2;

  QImage mask(image.size(), QImage::Format_ARGB32_Premultiplied);
  mask.fill(Qt::transparent);
  QPainter painter(&mask);
  painter.setClipRect(inside);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawText(QPoint(x, y + metrics.ascent()), text);
  painter.end();

  for (int row = inside.top(); row <= inside.bottom(); ++row) {
    const auto* covered = reinterpret_cast<const QRgb*>(mask.constScanLine(row));
    auto* pixels = reinterpret_cast<QRgb*>(image.scanLine(row));
    for (int column = inside.left(); column <= inside.right(); ++column) {
      if (qAlpha(covered[column]) != 0) pixels[column] ^= 0x00FFFFFFu;
    }
  }
}

void TGauge::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, Render());
}

}  // namespace vorlane
