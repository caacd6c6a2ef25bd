#include "window/qt/MessageBoxes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "card/Texts.h"
#include "tests/window/qt/QtPrinters.h"

namespace vorlane {
namespace {

// Looks at the box while it is up, then answers it with the given key.
struct TBoxSeen {
  QString Caption, Text;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
  QStringList Buttons;
  bool Closed = false;
};

TBoxSeen ShowAndAnswer(const std::function<void()>& show, Qt::Key key) {
  TBoxSeen seen;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    seen.Caption = box->windowTitle();
    seen.Text = box->text();
    seen.Icon = box->icon();
    for (QAbstractButton* button : box->buttons()) seen.Buttons << button->text();
    QTest::keyClick(box, key);
  });
  show();
  seen.Closed = QApplication::activeModalWidget() == nullptr;
  return seen;
}

TEST(MessageBoxes, MessageBoxHasOneOkButtonThatEnterAndEscPressAndNoIcon) {
  QApplication::setApplicationName(QStringLiteral("Vorlane"));
  TQtMessageBoxes boxes;
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    const TBoxSeen seen =
        ShowAndAnswer([&] { boxes.ShowMessage(QString::fromUtf8(ReinsertDiskText)); }, key);
    EXPECT_EQ(seen.Caption, QStringLiteral("Vorlane"));
    EXPECT_EQ(seen.Text, QString::fromUtf8(ReinsertDiskText));
    EXPECT_EQ(seen.Icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.Buttons, QStringList{QStringLiteral("OK")});
    EXPECT_TRUE(seen.Closed);
  }
}

TEST(MessageBoxes, ErrorBoxShowsTheErrorIconAndTheStoppedText) {
  TQtMessageBoxes boxes;
  const TBoxSeen seen =
      ShowAndAnswer([&] { boxes.ShowError(QStringLiteral("Cannot open")); }, Qt::Key_Escape);
  EXPECT_EQ(seen.Icon, QMessageBox::Critical);
  EXPECT_EQ(seen.Text, QStringLiteral("Cannot open."));
}

}  // namespace
}  // namespace vorlane
