#include "window/qt/MessageBoxes.h"

#include "window/WindowTexts.h"

#include <QApplication>
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
  ShowBox(QMessageBox::Critical, QString::fromStdString(ErrorBoxText(text.toStdString())));
}

}  // namespace vorlane
