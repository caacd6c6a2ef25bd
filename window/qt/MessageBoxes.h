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

// The program file's name without its folder, cut at its first full stop, its first character
// in upper case and the rest in lower case: "/usr/bin/vorlane" gives "Vorlane", as the program
// file "Vorlane.exe" does on Windows.
QString ApplicationTitle(const QString& programPath);

// The error box's text: the error's own, with a full stop added unless it is empty or already
// ends in a full stop or a character below it.
QString ErrorBoxText(const QString& errorText);

}  // namespace vorlane
