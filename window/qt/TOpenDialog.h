// Choosing a segment's WAV file. The window only runs a dialog and reads the confirmed name,
// so tests can stand in a scripted dialog for the real one.
#pragma once

#include <QString>
#include <memory>

class QFileDialog;

namespace vorlane {

class TOpenDialog {
 public:
  virtual ~TOpenDialog() = default;
  // Runs the dialog; true when the user confirmed a file name, false when cancelled.
  virtual bool Execute() = 0;
  // The name last confirmed, empty before the first; the next Execute offers it again.
  virtual QString FileName() const = 0;
};

// The desktop's file dialog, limited to WAV files. A typed name is taken as it is, even for a
// file or folder that does not exist: the window reports what cannot be opened.
class TFileOpenDialog : public TOpenDialog {
 public:
  bool Execute() override;
  QString FileName() const override { return Name; }

 private:
  void Configure(QFileDialog& dialog) const;

  QString Name;
};

std::unique_ptr<TOpenDialog> MakeFileOpenDialog();

}  // namespace vorlane
