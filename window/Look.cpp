#include "window/Look.h"

namespace vorlane {

QFont SansSerifFont(int pixelHeight) {
  QFont font(QStringLiteral("MS Sans Serif"));
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

}  // namespace vorlane
