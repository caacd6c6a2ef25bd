#include "window/qt/MessageBoxes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "tests/window/qt/QtPrinters.h"

namespace vorlane {
namespace {

TEST(MessageBoxes, ApplicationTitleIsTheProgramNameCapitalisedUpToItsFirstFullStop) {
  const std::pair<const char*, const char*> cases[] = {
      {"/usr/local/bin/vorlane", "Vorlane"},
      {"VORLANE.EXE", "Vorlane"},
      {"C:/Tools/voRLane.v2.exe", "Vorlane"},
      {"vorlane", "Vorlane"},
  };
  for (const auto& [path, title] : cases) EXPECT_EQ(ApplicationTitle(path), title) << path;
}

TEST(MessageBoxes, ErrorTextGetsAFullStopOnlyAfterACharacterAboveIt) {
  const std::pair<QString, QString> cases[] = {
      {"", ""},
      {"Cannot open file \"a.wav\". No such file", "Cannot open file \"a.wav\". No such file."},
      {"ends in a stop.", "ends in a stop."},
      {"ends in a bracket)", "ends in a bracket)"},
      {"ends in a dash-", "ends in a dash-"},
      {"ends in a slash/", "ends in a slash/."},
      {QStringLiteral("中文"), QStringLiteral("中文.")},
  };
  for (const auto& [text, shown] : cases)
    EXPECT_EQ(ErrorBoxText(text), shown) << text.toStdString();
}

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
        ShowAndAnswer([&] { boxes.ShowMessage(QStringLiteral("请重插移动磁盘")); }, key);
    EXPECT_EQ(seen.Caption, QStringLiteral("Vorlane"));
    EXPECT_EQ(seen.Text, QStringLiteral("请重插移动磁盘"));
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
