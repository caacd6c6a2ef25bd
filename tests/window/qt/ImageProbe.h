// Looking at rendered pixels: which colours a picture holds and where.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <functional>

namespace vorlane::test {

using TPixelTest = std::function<bool(QRgb)>;

bool IsColour(QRgb pixel, const QColor& colour);
// Number of pixels in the area that pass the test.
int CountPixels(const QImage& image, const QRect& area, const TPixelTest& test);
// The smallest rectangle holding every pixel that passes the test; empty when none does.
QRect BoundsOf(const QImage& image, const TPixelTest& test);

}  // namespace vorlane::test
