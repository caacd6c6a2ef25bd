// A flat group box: a one-pixel frame with the caption set into its top line.
#pragma once

#include <QGroupBox>

namespace vorlane {

class TGroupBox : public QGroupBox {
  Q_OBJECT

 public:
  explicit TGroupBox(const QString& caption, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace vorlane
