#include <gtest/gtest.h>

#include <QEvent>
#include <QTest>

#include "tests/window/qt/ImageProbe.h"
#include "tests/window/qt/QtPrinters.h"
#include "window/qt/Look.h"
#include "window/qt/TGauge.h"

namespace vorlane {
namespace {

using test::BoundsOf;
using test::CountPixels;
using test::IsColour;

// The text's pixels invert what lies beneath them.
const QColor InvertedSkyBlue{89, 53, 15};
const QColor InvertedBlue{255, 255, 0};

// The window's gauge: 347 x 20, so the inside is 345 x 18 from (1, 1).
QImage RenderAt(int percent) {
  TGauge gauge;
  gauge.resize(347, 20);
  gauge.SetProgress(percent);
  return gauge.Render();
}

bool IsBlueOrInverted(QRgb pixel) {
  return IsColour(pixel, Blue) || IsColour(pixel, InvertedBlue);
}
bool IsSkyBlueOrInverted(QRgb pixel) {
  return IsColour(pixel, SkyBlue) || IsColour(pixel, InvertedSkyBlue);
}

// A whole inside column, full height, passes the test.
bool ColumnIs(const QImage& image, int x, bool (*test)(QRgb)) {
  return CountPixels(image, QRect(x, 1, 1, 18), test) == 18;
}

TEST(Gauge, DrawsAOnePixelBlackFrame) {
  for (int percent : {0, 100}) {
    const QImage image = RenderAt(percent);
    const auto isBlack = [](QRgb pixel) { return IsColour(pixel, Qt::black); };
    EXPECT_EQ(CountPixels(image, QRect(0, 0, 347, 1), isBlack), 347) << percent;
    EXPECT_EQ(CountPixels(image, QRect(0, 19, 347, 1), isBlack), 347) << percent;
    EXPECT_EQ(CountPixels(image, QRect(0, 0, 1, 20), isBlack), 20) << percent;
    EXPECT_EQ(CountPixels(image, QRect(346, 0, 1, 20), isBlack), 20) << percent;
    EXPECT_EQ(CountPixels(image, QRect(1, 1, 345, 18), isBlack), 0) << percent;
  }
}

// W = 346; the bar is F - 1 columns with F = trunc(W * percent / 100).
TEST(Gauge, BarCoversTheFirstFMinusOneInsideColumns) {
  struct TCase {
    int Percent;
    int BarColumns;
  };
  for (const TCase& c : {TCase{0, 0}, TCase{1, 2}, TCase{50, 172}, TCase{100, 345}}) {
    const QImage image = RenderAt(c.Percent);
    for (int x = 1; x <= c.BarColumns; ++x) {
      ASSERT_TRUE(ColumnIs(image, x, IsBlueOrInverted)) << c.Percent << "% column " << x;
    }
    for (int x = c.BarColumns + 1; x <= 345; ++x) {
      ASSERT_TRUE(ColumnIs(image, x, IsSkyBlueOrInverted)) << c.Percent << "% column " << x;
    }
  }
}

// Where the text stands over the bar it turns yellow, over the background dark brown.
TEST(Gauge, TextInvertsWhatLiesBeneathIt) {
  struct TCase {
    int Percent;
    bool OverBar;
    bool OverBackground;
  };
  for (const TCase& c : {TCase{0, false, true}, TCase{50, true, true}, TCase{100, true, false}}) {
    const QImage image = RenderAt(c.Percent);
    const int yellow =
        CountPixels(image, image.rect(), [](QRgb p) { return IsColour(p, InvertedBlue); });
    const int brown =
        CountPixels(image, image.rect(), [](QRgb p) { return IsColour(p, InvertedSkyBlue); });
    EXPECT_EQ(yellow > 5, c.OverBar) << c.Percent;
    EXPECT_EQ(brown > 5, c.OverBackground) << c.Percent;
  }
}

TEST(Gauge, TextIsCentredOnTheInside) {
  const QImage image = RenderAt(50);
  const QRect text = BoundsOf(
      image, [](QRgb p) { return IsColour(p, InvertedBlue) || IsColour(p, InvertedSkyBlue); });
  ASSERT_FALSE(text.isEmpty());
  EXPECT_NEAR(text.center().x(), 173, 3);
  EXPECT_NEAR(text.center().y(), 10, 3);
}

TEST(Gauge, SetProgressKeepsTheValueWithinZeroToHundred) {
  TGauge gauge;
  gauge.SetProgress(150);
  EXPECT_EQ(gauge.Progress(), 100);
  gauge.SetProgress(-5);
  EXPECT_EQ(gauge.Progress(), 0);
  gauge.SetProgress(37);
  EXPECT_EQ(gauge.Progress(), 37);
}

class TPaintCounter : public QObject {
 public:
  int Paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++Paints;
    return false;
  }
};

TEST(Gauge, RepaintsOnlyWhenThePercentageChanges) {
  TGauge gauge;
  gauge.resize(347, 20);
  gauge.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&gauge));
  TPaintCounter counter;
  gauge.installEventFilter(&counter);

  const auto paintsAfter = [&](int value) {
    gauge.SetProgress(value);
    QTest::qWait(20);
    return counter.Paints;
  };
  EXPECT_EQ(paintsAfter(40), 1);
  EXPECT_EQ(paintsAfter(40), 1);
  EXPECT_EQ(paintsAfter(100), 2);
  EXPECT_EQ(paintsAfter(130), 2);  // still 100 after clamping
}

}  // namespace
}  // namespace vorlane
