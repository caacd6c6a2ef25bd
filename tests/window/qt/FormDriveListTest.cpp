// The window's drive list following cards as they come and go, from events on the watcher's
// own thread, and telling cards apart by their tooltips.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <thread>

#include "tests/card/WavFiles.h"
#include "tests/window/qt/FormHarness.h"
#include "tests/window/qt/QtPrinters.h"
#include "window/qt/TComboBox.h"
#include "window/qt/TSpeedButton.h"

namespace vorlane {
namespace {

using testing::Control;

class FormDriveList : public ::testing::Test {
 protected:
  std::unique_ptr<TForm1> MakeForm() {
    auto form = std::make_unique<TForm1>(Harness.Services());
    form->show();
    List = Control<TComboBox>(*form, "ComboBox1");
    return form;
  }

  // A card goes in or out: the watcher's thread reports it, in a burst as the kernel does.
  void CardsChange(std::vector<std::string> drives) {
    Harness.Drives = std::move(drives);
    std::thread watcher([this] {
      for (int event = 0; event < 4; ++event) Harness.DriveEvents.Announce();
    });
    watcher.join();
  }

  bool WaitForListings(int count) {
    return QTest::qWaitFor([&] { return Harness.DriveListings == count; }, 5000);
  }

  QStringList Entries() const {
    QStringList entries;
    for (int index = 0; index < List->count(); ++index) entries << List->itemText(index);
    return entries;
  }

  testing::TFormHarness Harness;
  TComboBox* List = nullptr;
};

TEST_F(FormDriveList, BurstOfEventsGivesOneRefreshOnTheWindowsThreadKeepingTheSelection) {
  Harness.Drives = {"sdb1", "sdc1"};
  auto form = MakeForm();
  List->setCurrentIndex(1);
  CardsChange({"sda1", "sdb1", "sdc1"});
  QCoreApplication::processEvents();
  EXPECT_EQ(Entries(), QStringList({"sdb1", "sdc1"})) << "read only once the burst is over";

  ASSERT_TRUE(WaitForListings(2));
  EXPECT_EQ(Entries(), QStringList({"sda1", "sdb1", "sdc1"}));
  EXPECT_EQ(List->currentText(), QStringLiteral("sdc1"));
  QTest::qWait(500);
  EXPECT_EQ(Harness.DriveListings, 2) << "one reading for the whole burst";
}

// The user is choosing from what the open list shows; it is read again once it has closed.
// An empty list never opens, and so never holds a refresh back.
TEST_F(FormDriveList, OpenListIsNotRefreshedUntilItHasClosed) {
  auto form = MakeForm();
  List->showPopup();
  ASSERT_EQ(Harness.DriveListings, 2);
  CardsChange({"sdb1", "sdc1"});
  QTest::qWait(700);
  EXPECT_EQ(Harness.DriveListings, 2);
  List->hidePopup();
  ASSERT_TRUE(WaitForListings(3));
  EXPECT_EQ(Entries(), QStringList({"sdb1", "sdc1"}));
  EXPECT_EQ(List->currentText(), QStringLiteral("sdb1")) << "the close-up rule's pick, kept";

  CardsChange({});
  ASSERT_TRUE(WaitForListings(4));
  List->showPopup();
  CardsChange({"sdd"});
  ASSERT_TRUE(WaitForListings(6));
  EXPECT_EQ(List->currentText(), QStringLiteral("sdd"));
}

// The entry's text is the kernel's name; its tooltip tells cards apart, in the open list and
// on the closed field, after every kind of reading.
TEST_F(FormDriveList, EntriesCarryTheirCardsSizeAndReaderAsTooltips) {
  Harness.Details = {{"sdb1", 7'400'000'000, "Generic", "STORAGE DEVICE"},
                     {"mmcblk0p1", 31'900'000'000, "", ""}};
  Harness.Drives = {"sdb1", "sdc"};
  auto form = MakeForm();
  const auto tipOf = [&](int index) { return List->itemData(index, Qt::ToolTipRole).toString(); };
  EXPECT_EQ(List->itemText(0), QStringLiteral("sdb1"));
  EXPECT_EQ(tipOf(0), QStringLiteral("7.4 GB · Generic STORAGE DEVICE"));
  EXPECT_TRUE(tipOf(1).isEmpty()) << "no details, no tooltip";
  EXPECT_EQ(List->toolTip(), tipOf(0));

  CardsChange({"mmcblk0p1", "sdb1"});
  ASSERT_TRUE(WaitForListings(2));
  EXPECT_EQ(tipOf(0), QStringLiteral("31.9 GB"));
  EXPECT_EQ(List->toolTip(), QStringLiteral("7.4 GB · Generic STORAGE DEVICE"));
  List->showPopup();
  EXPECT_EQ(tipOf(1), QStringLiteral("7.4 GB · Generic STORAGE DEVICE"));
  List->hidePopup();
}

TEST_F(FormDriveList, WatchingEndsWithTheWindow) {
  auto form = MakeForm();
  EXPECT_TRUE(Harness.DriveEvents.Watching());
  form.reset();
  EXPECT_FALSE(Harness.DriveEvents.Watching());
}

}  // namespace
}  // namespace vorlane
