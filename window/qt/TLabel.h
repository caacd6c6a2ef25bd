// A label as the window uses them: one line of plain text, no wrapping, cut off at the right
// edge without an ellipsis, on its parent's background; it reports clicks.
#pragma once

#include <QLabel>

namespace vorlane {

class TLabel : public QLabel {
  Q_OBJECT

 public:
  TLabel(const QString& text, Qt::Alignment verticalAlignment, QWidget* parent = nullptr);

 signals:
  // A left press and release inside the label, as a link expects.
  void Clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace vorlane
