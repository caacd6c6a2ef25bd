#include "window/qt/TSpeedButton.h"

#include <QPainter>

#include "window/qt/Pictures.h"

namespace vorlane {
namespace {

constexpr int GlyphCaptionSpacing = 4;

}  // namespace

QImage GreyedGlyphImage(const QImage& keyedGlyph) {
  QImage greyed = keyedGlyph.convertToFormat(QImage::Format_ARGB32);
  for (int row = 0; row < greyed.height(); ++row) {
    auto* pixels = reinterpret_cast<QRgb*>(greyed.scanLine(row));
    for (int column = 0; column < greyed.width(); ++column) {
      const QRgb pixel = pixels[column];
      if (qAlpha(pixel) == 0) continue;
      // Halve the contrast and lift it towards white, as a greyed glyph looks on a panel.
      const int grey = 128 + qGray(pixel) / 2;
      pixels[column] = qRgba(grey, grey, grey, qAlpha(pixel));
    }
  }
  return greyed;
}

TSpeedButton::TSpeedButton(const QString& caption, const QImage& glyph, QWidget* parent)
    : QAbstractButton(parent) {
  const QImage keyed = KeyOutBottomLeftColor(glyph);
  Glyph = QPixmap::fromImage(keyed);
  GreyedGlyph = QPixmap::fromImage(GreyedGlyphImage(keyed));
  setText(caption);
  setFocusPolicy(Qt::NoFocus);
  // Repaints on entering and leaving, which shows and hides the raised edge.
  setAttribute(Qt::WA_Hover);
}

void TSpeedButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const bool pressed = isEnabled() && isDown();
  if (pressed || (isEnabled() && underMouse())) DrawEdge(painter, pressed);

  const QFontMetrics metrics(font());
  const int textWidth = metrics.horizontalAdvance(text());
  const int shift = pressed ? 1 : 0;
  const int left = (width() - (Glyph.width() + GlyphCaptionSpacing + textWidth)) / 2 + shift;
  const int glyphTop = (height() - Glyph.height()) / 2 + shift;
  painter.drawPixmap(left, glyphTop, isEnabled() ? Glyph : GreyedGlyph);

  const int textLeft = left + Glyph.width() + GlyphCaptionSpacing;
  const int textTop = (height() - metrics.height()) / 2 + shift;
  DrawCaption(painter, QRect(textLeft, textTop, textWidth, metrics.height()));
}

void TSpeedButton::DrawEdge(QPainter& painter, bool sunken) const {
  const QColor topLeft = palette().color(sunken ? QPalette::Dark : QPalette::Light);
  const QColor bottomRight = palette().color(sunken ? QPalette::Light : QPalette::Dark);
  const QRect edge = rect();
  painter.setPen(topLeft);
  painter.drawLine(edge.topLeft(), edge.topRight());
  painter.drawLine(edge.topLeft(), edge.bottomLeft());
  painter.setPen(bottomRight);
  painter.drawLine(edge.bottomLeft(), edge.bottomRight());
  painter.drawLine(edge.topRight(), edge.bottomRight());
}

// A disabled caption is embossed: a light copy one pixel down and right under a dark one.
// Both come from the enabled colours; the disabled ones are too pale to stand out.
void TSpeedButton::DrawCaption(QPainter& painter, const QRect& textRect) const {
  const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
  if (isEnabled()) {
    painter.setPen(palette().color(QPalette::WindowText));
  } else {
    painter.setPen(palette().color(QPalette::Active, QPalette::Light));
    painter.drawText(textRect.translated(1, 1), flags, text());
    painter.setPen(palette().color(QPalette::Active, QPalette::Dark));
  }
  painter.drawText(textRect, flags, text());
}

}  // namespace vorlane
