// The progress gauge under the two panels: a blue bar over sky blue with the percentage
// written across it in pixels that invert whatever lies beneath, so the figure stays readable
// both on the bar and beside it.
#pragma once

#include <QImage>
#include <QWidget>

namespace vorlane {

class TGauge : public QWidget {
  Q_OBJECT

 public:
  explicit TGauge(QWidget* parent = nullptr);

  int Progress() const { return Percent; }
  // Keeps the value within 0..100. Repaints only when the percentage changes, so a job that
  // reports after every sector costs at most one repaint per percent.
  void SetProgress(int value);

  // The gauge as it is painted at its current size and progress.
  QImage Render() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void InvertText(QImage& image, const QRect& inside) const;

  int Percent = 0;
};

// Pixel columns of the bar for an inside of the given width: with W = width + 1 and
// F = trunc(W * percent * 0.01) capped at W, the first F - 1 columns (none while F <= 1).
// 1% of a 345-pixel inside gives 2 columns, 100% the whole inside.
int GaugeBarColumns(int insideWidth, int percent);

}  // namespace vorlane
