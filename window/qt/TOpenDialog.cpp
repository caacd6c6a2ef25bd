#include "window/qt/TOpenDialog.h"

#include <QApplication>
#include <QFileDialog>

#include "window/WindowTexts.h"

namespace vorlane {

bool TFileOpenDialog::Execute() {
  QFileDialog dialog(QApplication::activeWindow());
  Configure(dialog);
  if (dialog.exec() != QDialog::Accepted) return false;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return false;
  Name = chosen.first();
  return true;
}

// No title, folder or default extension of our own: the dialog opens with the desktop's
// "Open" title in the current folder, or in the folder of the name chosen last time.
void TFileOpenDialog::Configure(QFileDialog& dialog) const {
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  // Qt's own dialog: a native open dialog would refuse a file that does not exist.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  // Qt's dialog has no read-only check box to hide; it resizes by itself.
  dialog.setSizeGripEnabled(true);
  // The filter list shows the description alone, "WAV文件", and matches *.wav.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilter(QString::fromUtf8(WavFilterName) + QStringLiteral(" (") +
                       QString::fromUtf8(WavFilterPattern) + QStringLiteral(")"));
  if (!Name.isEmpty()) dialog.selectFile(Name);
}

std::unique_ptr<TOpenDialog> MakeFileOpenDialog() {
  return std::make_unique<TFileOpenDialog>();
}

}  // namespace vorlane
