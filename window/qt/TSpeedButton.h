// A flat button with a glyph: no face of its own, so the panel shows through; an edge appears
// only under the mouse (raised) or while pressed (sunken).
#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QPixmap>

namespace vorlane {

class TSpeedButton : public QAbstractButton {
  Q_OBJECT

 public:
  // The glyph's bottom-left pixel colour is its transparent colour.
  TSpeedButton(const QString& caption, const QImage& glyph, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void DrawEdge(QPainter& painter, bool sunken) const;
  void DrawCaption(QPainter& painter, const QRect& textRect) const;

  QPixmap Glyph;
  QPixmap GreyedGlyph;
};

// The glyph as a disabled button shows it: its opaque pixels in light greys.
QImage GreyedGlyphImage(const QImage& keyedGlyph);

}  // namespace vorlane
