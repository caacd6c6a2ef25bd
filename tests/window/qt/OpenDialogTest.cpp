#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "tests/window/qt/QtPrinters.h"
#include "window/qt/TOpenDialog.h"

namespace vorlane {
namespace {

// Runs the step on the file dialog once it is open and modal, as a user at the screen would.
void WhenDialogOpens(std::function<void(QFileDialog&)> step) {
  QTimer::singleShot(0, [step = std::move(step)] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    step(*dialog);
  });
}

void TypeNameAndOpen(QFileDialog& dialog, const QString& name) {
  auto* nameEdit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(nameEdit, nullptr);
  nameEdit->setText(name);
  QTest::keyClick(nameEdit, Qt::Key_Return);
}

TEST(OpenDialog, OffersWavFilesOnlyWithNoTitleFolderOrExtensionOfItsOwn) {
  TFileOpenDialog dialog;
  QStringList filters;
  QString title;
  QString suffix;
  QString folder;
  bool detailsHidden = false;
  WhenDialogOpens([&](QFileDialog& shown) {
    filters = shown.nameFilters();
    title = shown.windowTitle();
    suffix = shown.defaultSuffix();
    folder = shown.directory().absolutePath();
    detailsHidden = shown.testOption(QFileDialog::HideNameFilterDetails);
    shown.reject();
  });
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(filters, QStringList({QStringLiteral("WAV文件 (*.wav)")}));
  EXPECT_TRUE(detailsHidden);  // the list shows "WAV文件"
  EXPECT_EQ(title, QFileDialog().windowTitle());
  EXPECT_TRUE(suffix.isEmpty());
  EXPECT_EQ(folder, QDir::current().absolutePath());
}

TEST(OpenDialog, AcceptsATypedNameOfAMissingFileInAMissingFolder) {
  TFileOpenDialog dialog;
  const QString missing = QDir::temp().absoluteFilePath(QStringLiteral("no-such-folder/voice.wav"));
  WhenDialogOpens([&](QFileDialog& shown) { TypeNameAndOpen(shown, missing); });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.FileName(), missing);
}

TEST(OpenDialog, OffersTheLastChosenNameAndKeepsItWhenCancelled) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString chosen = folder.filePath(QStringLiteral("segment.wav"));
  TFileOpenDialog dialog;
  WhenDialogOpens([&](QFileDialog& shown) { TypeNameAndOpen(shown, chosen); });
  ASSERT_TRUE(dialog.Execute());

  QStringList offered;
  QString offeredFolder;
  WhenDialogOpens([&](QFileDialog& shown) {
    offered = shown.selectedFiles();
    offeredFolder = shown.directory().absolutePath();
    shown.reject();
  });
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(offered, QStringList({chosen}));
  EXPECT_EQ(offeredFolder, QDir(folder.path()).absolutePath());
  EXPECT_EQ(dialog.FileName(), chosen);
}

}  // namespace
}  // namespace vorlane
