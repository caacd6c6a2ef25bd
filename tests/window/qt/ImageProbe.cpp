#include "tests/window/qt/ImageProbe.h"

namespace vorlane::test {

bool IsColour(QRgb pixel, const QColor& colour) {
  return (pixel & 0x00FFFFFFu) == (colour.rgb() & 0x00FFFFFFu);
}

int CountPixels(const QImage& image, const QRect& area, const TPixelTest& test) {
  int count = 0;
  const QRect clipped = area & image.rect();
  for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
    for (int x = clipped.left(); x <= clipped.right(); ++x) count += test(image.pixel(x, y));
  }
  return count;
}

QRect BoundsOf(const QImage& image, const TPixelTest& test) {
  QRect bounds;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (test(image.pixel(x, y))) bounds |= QRect(x, y, 1, 1);
    }
  }
  return bounds;
}

}  // namespace vorlane::test
