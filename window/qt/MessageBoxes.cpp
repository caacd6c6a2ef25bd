#include "window/qt/MessageBoxes.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace vorlane {
namespace {

// Enter and Esc both press the one button; the box stands in the middle of the screen.
void ShowBox(QMessageBox::Icon icon, const QString& text) {
  QMessageBox box(icon, QApplication::applicationName(), text, QMessageBox::NoButton);
  QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.exec();
}

}  // namespace

void TQtMessageBoxes::ShowMessage(const QString& text) {
  ShowBox(QMessageBox::NoIcon, text);
}

void TQtMessageBoxes::ShowError(const QString& text) {
  ShowBox(QMessageBox::Critical, ErrorBoxText(text));
}

QString ApplicationTitle(const QString& programPath) {
  const QString name = QFileInfo(programPath).fileName().section(QLatin1Char('.'), 0, 0);
  if (name.isEmpty()) return name;
  return name.left(1).toUpper() + name.mid(1).toLower();
}

QString ErrorBoxText(const QString& errorText) {
  if (errorText.isEmpty() || errorText.back().unicode() <= u'.') return errorText;
  return errorText + QLatin1Char('.');
}

}  // namespace vorlane
