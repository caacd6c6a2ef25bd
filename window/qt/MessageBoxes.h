// The two modal boxes the program shows: a plain message, and the error box for a failure a
// handler did not deal with (a file that cannot be opened).
#pragma once

#include <QString>

class QWidget;

namespace vorlane {

class TMessageBoxes {
 public:
  virtual ~TMessageBoxes() = default;
  virtual void ShowMessage(const QString& text) = 0;
  virtual void ShowError(const QString& text) = 0;
};

// Modal boxes with one "OK" button, captioned with the application title.
class TQtMessageBoxes final : public TMessageBoxes {
 public:
  void ShowMessage(const QString& text) override;
  void ShowError(const QString& text) override;
};

}  // namespace vorlane
