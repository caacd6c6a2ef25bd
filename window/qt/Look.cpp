#include "window/qt/Look.h"

#include <QFontDatabase>
#include <QWidget>

namespace vorlane {

// Without MS Sans Serif, fontconfig would pick a wide default (DejaVu Sans) that pushes the
// 58-asterisk group captions past their panels. Liberation Sans has the narrow metrics of the
// Windows sans fonts the layout was made for.
QFont SansSerifFont(int pixelHeight) {
  const QString windowsFont = QStringLiteral("MS Sans Serif");
  QFont font(QFontDatabase::hasFamily(windowsFont) ? windowsFont
                                                   : QStringLiteral("Liberation Sans"));
  font.setPixelSize(pixelHeight);
  return font;
}

QFont MakerLineFont() {
  QFont font(QStringLiteral("新宋体"));
  font.setPixelSize(12);
  return font;
}

QFont GaugeFont() {
  QFont font = SansSerifFont(11);
  font.setBold(true);
  font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

void SetTextColor(QWidget& widget, const QColor& color) {
  QPalette colours = widget.palette();
  colours.setColor(QPalette::WindowText, color);
  widget.setPalette(colours);
}

}  // namespace vorlane
