// The Qt window's events reach the behaviour and its changes reach the controls: clicks on its
// buttons and label, the drive list's signals, scripted open dialogs, recorded message boxes
// and a job on a fake card whose changes arrive through the event loop. The rules themselves
// are tested once, on a recording view (tests/window/FormBehaviourTest.cpp).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <thread>

#include "card/Texts.h"
#include "tests/card/WavFiles.h"
#include "tests/window/qt/FormHarness.h"
#include "tests/window/qt/QtPrinters.h"
#include "window/SupportLink.h"
#include "window/qt/TComboBox.h"
#include "window/qt/TGauge.h"
#include "window/qt/TLabel.h"
#include "window/qt/TSpeedButton.h"

namespace vorlane {
namespace {

using testing::Control;
using testing::MakeWavBytes;
using TBoxes = std::vector<QString>;

const QString NoDisk = QString::fromUtf8(NoRemovableDiskText);
const QString OpenFirst = QString::fromUtf8(OpenWavFirstText);
const QString TooLarge = QString::fromUtf8(WavTooLargeText);
const QString NotWav = QString::fromUtf8(NotWavText);
const QString Writing = QString::fromUtf8(WritingText);
const QString Written = QString::fromUtf8(WrittenText);
const std::array SpeedButtons{"SpeedButton1", "SpeedButton2", "SpeedButton3", "SpeedButton4"};

class FormWiring : public ::testing::Test {
 protected:
  std::unique_ptr<TForm1> MakeForm() {
    auto form = std::make_unique<TForm1>(Harness.Services());
    form->show();
    return form;
  }

  QString Wav(const std::string& name, std::uint32_t declared, std::size_t size = 44) {
    return QString::fromStdString(Folder.Write(name, MakeWavBytes(declared, size)));
  }

  QString Missing(const std::string& name) const {
    return QString::fromStdString((Folder.Path() / name).string());
  }

  void Open(TForm1& form, TSegment segment, const QString& answer) {
    (segment == TSegment::One ? Harness.Dialog1 : Harness.Dialog2)->Answers.push_back(answer);
    QTest::mouseClick(form.Slot(segment).OpenButton, Qt::LeftButton);
  }

  void Write(TForm1& form, TSegment segment) {
    QTest::mouseClick(form.Slot(segment).WriteButton, Qt::LeftButton);
  }

  static bool ButtonsEnabled(const TForm1& form) {
    for (const char* name : SpeedButtons)
      if (!Control<TSpeedButton>(form, name)->isEnabled()) return false;
    return true;
  }

  static bool ButtonsDisabled(const TForm1& form) {
    for (const char* name : SpeedButtons)
      if (Control<TSpeedButton>(form, name)->isEnabled()) return false;
    return true;
  }

  static TLabel* Label(const TForm1& form, const char* name) { return Control<TLabel>(form, name); }

  static TComboBox* List(const TForm1& form) { return Control<TComboBox>(form, "ComboBox1"); }

  static void WaitForJobEnd(TForm1& form) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return ButtonsEnabled(form); }, 10000));
  }

  testing::TFormHarness Harness;
  testing::TTempFolder Folder;
};

TEST_F(FormWiring, StartUpListsTheDrivesAndSelectsTheFirstWithEverythingIdle) {
  Harness.Drives = {"sdb1", "sdc"};
  auto form = MakeForm();
  EXPECT_TRUE(Harness.Boxes.empty());
  ASSERT_EQ(List(*form)->count(), 2);
  EXPECT_EQ(List(*form)->itemText(1), QStringLiteral("sdc"));
  EXPECT_EQ(List(*form)->currentIndex(), 0);
  EXPECT_TRUE(ButtonsEnabled(*form));
  for (const TLabel* label : {Label(*form, "Label1"), Label(*form, "Label2"),
                              Label(*form, "Label3"), Label(*form, "Label4")})
    EXPECT_TRUE(label->text().isEmpty());
  EXPECT_EQ(form->Behaviour().SectorBuffer(), TSector{});
}

TEST_F(FormWiring, DropDownRefreshesAndCloseUpRestoresTheLastPickedIndex) {
  Harness.Drives = {"sdb", "sdc", "sdd"};
  auto form = MakeForm();
  TComboBox& list = *List(*form);
  const auto dropAndClose = [&](int pick) {
    list.showPopup();
    EXPECT_EQ(list.currentIndex(), -1) << "a refreshed list has no selection";
    if (pick >= 0) {
      list.setCurrentIndex(pick);
      emit list.activated(pick);
    }
    list.hidePopup();
    QCoreApplication::processEvents();
  };

  dropAndClose(-1);
  EXPECT_EQ(list.currentIndex(), 0) << "before any pick the index is 0";
  dropAndClose(2);
  EXPECT_EQ(form->Behaviour().LastPickedIndex(), 2);
  Harness.Drives = {"sde", "sdf", "sdg", "sdh"};
  dropAndClose(-1);
  EXPECT_EQ(list.currentText(), QStringLiteral("sdg"));
}

TEST_F(FormWiring, FileThatCannotBeOpenedGoesToTheErrorBoxAndTheSlotStaysAsItWas) {
  auto form = MakeForm();
  const QString good = Wav("good.wav", 1000, 1000);
  Open(*form, TSegment::One, good);
  const QString gone = Missing("gone.wav");
  Open(*form, TSegment::One, gone);
  ASSERT_EQ(Harness.Boxes.size(), 1u);
  EXPECT_TRUE(Harness.Boxes[0].startsWith(QStringLiteral("error: Cannot open file \"") + gone +
                                          QStringLiteral("\". ")));
  EXPECT_EQ(form->Behaviour().Segment(TSegment::One).DeclaredLength, 1000u);
  EXPECT_EQ(Label(*form, "Label3")->text(), QString::fromUtf8(PathPrefixText) + good);
}

TEST_F(FormWiring, WriteLocksTheButtonsWhileTheJobRunsAndTheJobReleasesThem) {
  Harness.Drives = {"sdb1", "sdc1"};
  auto form = MakeForm();
  List(*form)->setCurrentIndex(1);
  const auto bytes = MakeWavBytes(1000, 1000);
  Open(*form, TSegment::Two, QString::fromStdString(Folder.Write("seg.wav", bytes)));
  Harness.Card.HoldWriteNumber = 1;
  Write(*form, TSegment::Two);

  EXPECT_EQ(Label(*form, "Label2")->text(), Writing);
  EXPECT_EQ(Label(*form, "Label2")->palette().color(QPalette::WindowText), QColor(Qt::black));
  EXPECT_TRUE(ButtonsDisabled(*form));
  EXPECT_EQ(form->Behaviour().LastWriteMode(), TSegment::Two);
  List(*form)->setCurrentIndex(0);  // a running job keeps the drive it was given
  Harness.Card.WaitUntilHeld();
  Harness.Card.Release();
  WaitForJobEnd(*form);

  EXPECT_EQ(Harness.Card.OpenedPath, VolumePathFor("sdc1"));
  EXPECT_EQ(Label(*form, "Label2")->text(), Written);
  EXPECT_EQ(Label(*form, "Label2")->palette().color(QPalette::WindowText), QColor(0, 128, 0));
  EXPECT_EQ(Control<TGauge>(*form, "Gauge1")->Progress(), 0);
  EXPECT_EQ(Harness.Card.Sectors.count(Segment2StartSector + 2), 1u);
}

TEST_F(FormWiring, ClosingTheWindowMidJobStopsTheJobAndClosesTheCard) {
  auto form = MakeForm();
  const std::uint32_t length = 8 << 20;  // longer than the transfers the job queues ahead
  Open(*form, TSegment::One, Wav("big.wav", length, length));
  Harness.Card.HoldWriteNumber = testing::FirstImageWrite;
  Write(*form, TSegment::One);
  Harness.Card.WaitUntilHeld();
  std::thread card([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Harness.Card.Release();
  });
  form.reset();
  card.join();
  QCoreApplication::processEvents();  // anything the job queued dies with the window
  EXPECT_EQ(Harness.Card.Closes, 1);
  EXPECT_LT(Harness.Card.WrittenSectorNumbers().size(), SectorCountFor(length));
  for (const std::string& entry : Harness.Platform.Log())
    EXPECT_EQ(entry.rfind("beep", 0), std::string::npos) << "no alarm for a closed window";
}

TEST_F(FormWiring, SupportLabelOpensTheSupportPage) {
  auto form = MakeForm();
  QTest::mouseClick(Label(*form, "Label7"), Qt::LeftButton);
  EXPECT_EQ(Harness.OpenedUrls, std::vector<QUrl>{QUrl(QString::fromUtf8(SupportUrl))});
}

}  // namespace
}  // namespace vorlane
