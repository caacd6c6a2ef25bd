// The window driven as a user drives it: clicks on its buttons, picks in its drive list,
// scripted open dialogs, recorded message boxes and a fake card.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <thread>

#include "tests/card/WavFiles.h"
#include "tests/window/FormHarness.h"
#include "tests/window/QtPrinters.h"
#include "window/SupportLink.h"
#include "window/TComboBox.h"
#include "window/TGauge.h"
#include "window/TLabel.h"
#include "window/TSpeedButton.h"

namespace vorlane {
namespace {

using testing::Control;
using testing::MakeWavBytes;
using TBoxes = std::vector<QString>;

const QString NoDisk = QStringLiteral("没找到可移动磁盘");
const QString OpenFirst = QStringLiteral("请先打开WAV格式文件");
const QString TooLarge = QStringLiteral("WAV文件不能大于400M");
const QString NotWav = QStringLiteral("此文件不是有效的WAV文件");
const QString Writing = QStringLiteral("正在写入SD卡....");
const QString Written = QStringLiteral("已成功写入SD卡!");
const std::array SpeedButtons{"SpeedButton1", "SpeedButton2", "SpeedButton3", "SpeedButton4"};

class FormBehaviour : public ::testing::Test {
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

TEST_F(FormBehaviour, StartUpWithoutRemovableDriveSaysSoAndLeavesTheListEmpty) {
  Harness.Drives = {};
  auto form = MakeForm();
  EXPECT_EQ(Harness.Boxes, TBoxes{NoDisk});
  EXPECT_EQ(List(*form)->count(), 0);
  EXPECT_EQ(List(*form)->currentIndex(), -1);
}

TEST_F(FormBehaviour, StartUpListsTheDrivesAndSelectsTheFirstWithEverythingIdle) {
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
  EXPECT_EQ(form->SectorBuffer(), TSector{});
}

// The list refreshes on every drop-down with nothing selected; closing it without a pick
// returns to the last picked index, or to none where the refreshed list is shorter.
TEST_F(FormBehaviour, DropDownRefreshesAndCloseUpRestoresTheLastPickedIndex) {
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
  EXPECT_EQ(form->LastPickedIndex(), 2);
  Harness.Drives = {"sde", "sdf", "sdg", "sdh"};
  dropAndClose(-1);
  EXPECT_EQ(list.currentText(), QStringLiteral("sdg"));
  Harness.Drives = {"sde"};
  dropAndClose(-1);
  EXPECT_EQ(list.currentIndex(), -1);
  Harness.Drives = {};
  dropAndClose(-1);
  EXPECT_EQ(list.count(), 0);
  EXPECT_TRUE(Harness.Boxes.empty()) << "an empty drop-down says nothing";
}

TEST_F(FormBehaviour, OpeningAValidFileArmsTheSlotAndShowsItsPath) {
  auto form = MakeForm();
  Label(*form, "Label4")->setText(QStringLiteral("old status"));
  const QString path = Wav("a.wav", 44);
  Open(*form, TSegment::One, path);
  EXPECT_TRUE(form->Segment(TSegment::One).Armed);
  EXPECT_EQ(form->Segment(TSegment::One).DeclaredLength, 44u);
  EXPECT_FALSE(form->Segment(TSegment::Two).Armed);
  EXPECT_EQ(Label(*form, "Label3")->text(), QStringLiteral("路径:") + path);
  EXPECT_TRUE(Label(*form, "Label4")->text().isEmpty());
  EXPECT_TRUE(Harness.Boxes.empty());
}

TEST_F(FormBehaviour, CancelOrAnUpperCaseEndingChangesNothingAndSaysNothing) {
  auto form = MakeForm();
  Open(*form, TSegment::Two, QString());
  Open(*form, TSegment::Two, Wav("loud.WAV", 44));
  EXPECT_FALSE(form->Segment(TSegment::Two).Armed);
  EXPECT_TRUE(form->Segment(TSegment::Two).File.empty());
  EXPECT_TRUE(Label(*form, "Label1")->text().isEmpty());
  EXPECT_TRUE(Harness.Boxes.empty());
}

TEST_F(FormBehaviour, FileFailingTheWaveCheckShowsItsPathAndKeepsAnArmedSlotArmed) {
  auto form = MakeForm();
  Open(*form, TSegment::One, Wav("good.wav", 44));
  std::vector<std::uint8_t> notWav = MakeWavBytes(44, 44);
  notWav[8] = 'w';
  const QString bad = QString::fromStdString(Folder.Write("bad.wav", notWav));
  Open(*form, TSegment::One, bad);
  EXPECT_EQ(Harness.Boxes, TBoxes{NotWav});
  EXPECT_TRUE(form->Segment(TSegment::One).Armed);
  EXPECT_EQ(form->Segment(TSegment::One).DeclaredLength, 0u);
  EXPECT_EQ(Label(*form, "Label3")->text(), QStringLiteral("路径:") + bad);
}

TEST_F(FormBehaviour, EachSlotIsJudgedAgainstTheLimitByItsOwnLength) {
  auto form = MakeForm();
  Open(*form, TSegment::One, Wav("limit.wav", MaxDeclaredLength));
  EXPECT_TRUE(Harness.Boxes.empty());
  EXPECT_FALSE(Label(*form, "Label3")->text().isEmpty());

  Label(*form, "Label2")->setText(QStringLiteral("kept"));
  Open(*form, TSegment::Two, Wav("over.wav", MaxDeclaredLength + 1));
  EXPECT_EQ(Harness.Boxes, TBoxes{TooLarge});
  EXPECT_TRUE(form->Segment(TSegment::Two).Armed) << "a file over the limit still arms the slot";
  EXPECT_EQ(form->Segment(TSegment::Two).DeclaredLength, MaxDeclaredLength + 1);
  EXPECT_TRUE(Label(*form, "Label1")->text().isEmpty());
  EXPECT_EQ(Label(*form, "Label2")->text(), QStringLiteral("kept"));
}

TEST_F(FormBehaviour, FileThatCannotBeOpenedGoesToTheErrorBoxAndTheSlotStaysAsItWas) {
  auto form = MakeForm();
  const QString good = Wav("good.wav", 1000, 1000);
  Open(*form, TSegment::One, good);
  const QString gone = Missing("gone.wav");
  Open(*form, TSegment::One, gone);
  ASSERT_EQ(Harness.Boxes.size(), 1u);
  // The path, then the system's text without its closing full stop: the box adds its own.
  EXPECT_EQ(Harness.Boxes[0], QStringLiteral("error: Cannot open file \"") + gone +
                                  QStringLiteral("\". ") +
                                  QString::fromStdString(testing::MissingFileText()));
  EXPECT_EQ(form->Segment(TSegment::One).DeclaredLength, 1000u);
  EXPECT_EQ(Label(*form, "Label3")->text(), QStringLiteral("路径:") + good);
}

TEST_F(FormBehaviour, WriteRefusalsComeInOrderAndStartNoJob) {
  auto form = MakeForm();
  Harness.Drives = {};
  Write(*form, TSegment::One);
  Harness.Drives = {"sdb1"};
  Write(*form, TSegment::One);
  Open(*form, TSegment::One, Wav("good.wav", 44));
  std::vector<std::uint8_t> notWav(44, 0);
  Open(*form, TSegment::One, QString::fromStdString(Folder.Write("bad.wav", notWav)));
  Write(*form, TSegment::One);
  Open(*form, TSegment::Two, Wav("over.wav", MaxDeclaredLength + 1));
  Write(*form, TSegment::Two);
  EXPECT_EQ(Harness.Boxes, (TBoxes{NoDisk, OpenFirst, NotWav, OpenFirst, TooLarge, TooLarge}));
  EXPECT_TRUE(Harness.Card.OpenedPath.empty());
  EXPECT_TRUE(ButtonsEnabled(*form));
}

TEST_F(FormBehaviour, WriteLocksTheButtonsWhileTheJobRunsAndTheJobReleasesThem) {
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
  EXPECT_EQ(form->LastWriteMode(), TSegment::Two);
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

TEST_F(FormBehaviour, SuccessTextStaysUntilTheNextOpenOrWriteOnThatSlot) {
  auto form = MakeForm();
  Open(*form, TSegment::One, Wav("a.wav", 44));
  Write(*form, TSegment::One);
  WaitForJobEnd(*form);
  ASSERT_EQ(Label(*form, "Label4")->text(), Written);

  Open(*form, TSegment::Two, Wav("b.wav", 44));
  Open(*form, TSegment::One, Wav("c.WAV", 44));
  EXPECT_EQ(Label(*form, "Label4")->text(), Written) << "other slot, or an open that stopped early";
  Open(*form, TSegment::One, Wav("d.wav", 44));
  EXPECT_TRUE(Label(*form, "Label4")->text().isEmpty());
  Write(*form, TSegment::One);
  EXPECT_EQ(Label(*form, "Label4")->text(), Writing);
  WaitForJobEnd(*form);
}

// A later pick that was never checked must not reach the card under the checked file's
// length while the path label still names the checked file.
TEST_F(FormBehaviour, WriteAlwaysPutsTheCheckedFileOnTheCard) {
  auto form = MakeForm();
  const auto checked = MakeWavBytes(600, 600);
  Open(*form, TSegment::One, QString::fromStdString(Folder.Write("checked.wav", checked)));
  Open(*form, TSegment::One, Wav("other.WAV", 44, 600));
  Open(*form, TSegment::One, Missing("gone.wav"));
  EXPECT_EQ(Harness.Dialog1->FileName(), Missing("gone.wav")) << "the dialog offers it next";
  Write(*form, TSegment::One);
  WaitForJobEnd(*form);
  const TSector& first = Harness.Card.Sectors[Segment1StartSector];
  EXPECT_TRUE(std::equal(first.begin(), first.end(), checked.begin()));
}

TEST_F(FormBehaviour, WriteWithNoDriveSelectedEndsAtTheVolumeWithButtonsBack) {
  Harness.Card.FailOpen = true;
  auto form = MakeForm();
  List(*form)->setCurrentIndex(-1);
  Open(*form, TSegment::One, Wav("a.wav", 44));
  Write(*form, TSegment::One);
  WaitForJobEnd(*form);
  EXPECT_EQ(Harness.Card.OpenedPath, VolumePathFor(""));
  EXPECT_EQ(Harness.Boxes, TBoxes{QStringLiteral("请重插移动磁盘")});
  EXPECT_EQ(Label(*form, "Label4")->text(), Writing);
}

TEST_F(FormBehaviour, ClosingTheWindowMidJobStopsTheJobAndClosesTheCard) {
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

TEST_F(FormBehaviour, SupportLabelOpensTheSupportPage) {
  auto form = MakeForm();
  QTest::mouseClick(Label(*form, "Label7"), Qt::LeftButton);
  EXPECT_EQ(Harness.OpenedUrls, std::vector<QUrl>{QUrl(QString::fromUtf8(SupportUrl))});
}

}  // namespace
}  // namespace vorlane
