// The job's changes reach the widgets only on the window's thread, when its event loop runs.
#include "window/PostedJobWindow.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <thread>

#include "card/Texts.h"
#include "tests/window/qt/FormHarness.h"
#include "tests/window/qt/QtPrinters.h"
#include "window/qt/TGauge.h"
#include "window/qt/TLabel.h"
#include "window/qt/TSpeedButton.h"

namespace vorlane {
namespace {

using testing::Control;

const std::array SpeedButtons{"SpeedButton1", "SpeedButton2", "SpeedButton3", "SpeedButton4"};

class QueuedJobWindow : public ::testing::Test {
 protected:
  void DisableButtons() {
    for (const char* name : SpeedButtons) Control<TSpeedButton>(Form, name)->setEnabled(false);
  }

  testing::TFormHarness Harness;
  TForm1 Form{Harness.Services()};
  TPostedJobWindow Window{Form};
};

TEST_F(QueuedJobWindow, CallsFromAnotherThreadChangeNothingUntilTheWindowsEventLoopRuns) {
  DisableButtons();
  std::thread job([this] {
    Window.SetStatusText(TSegment::Two, "正在写入");
    Window.SetStatusText(TSegment::Two, WriteFailedText);
    Window.SetStatusColor(TSegment::Two, StatusRed);
    Window.SetProgress(42);
    Window.EnableButton(TButton::SpeedButton3);
    Window.ShowMessage(ReinsertDiskText);
  });
  job.join();
  const TLabel* status = Control<TLabel>(Form, "Label2");
  EXPECT_TRUE(status->text().isEmpty());
  EXPECT_EQ(Control<TGauge>(Form, "Gauge1")->Progress(), 0);
  EXPECT_FALSE(Control<TSpeedButton>(Form, "SpeedButton3")->isEnabled());
  EXPECT_TRUE(Harness.Boxes.empty());

  QCoreApplication::processEvents();
  EXPECT_EQ(status->text(), QString::fromUtf8(WriteFailedText)) << "applied in the order asked";
  EXPECT_EQ(status->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  EXPECT_TRUE(Control<TLabel>(Form, "Label4")->text().isEmpty());
  EXPECT_EQ(Control<TGauge>(Form, "Gauge1")->Progress(), 42);
  EXPECT_TRUE(Control<TSpeedButton>(Form, "SpeedButton3")->isEnabled());
  EXPECT_EQ(Harness.Boxes, std::vector<QString>{QString::fromUtf8(ReinsertDiskText)});
}

TEST_F(QueuedJobWindow, EachButtonAndSegmentReachesItsOwnControl) {
  for (int number = 1; number <= 4; ++number) {
    DisableButtons();
    Window.EnableButton(static_cast<TButton>(number));
    QCoreApplication::processEvents();
    for (int other = 1; other <= 4; ++other)
      EXPECT_EQ(Control<TSpeedButton>(Form, SpeedButtons[other - 1])->isEnabled(), other == number)
          << "TButton " << number << ", SpeedButton" << other;
  }
  Window.SetStatusText(TSegment::One, WrittenText);
  QCoreApplication::processEvents();
  EXPECT_EQ(Control<TLabel>(Form, "Label4")->text(), QString::fromUtf8(WrittenText));
  EXPECT_TRUE(Control<TLabel>(Form, "Label2")->text().isEmpty());
}

}  // namespace
}  // namespace vorlane
