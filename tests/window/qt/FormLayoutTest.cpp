#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QSerialPort>
#include <QTest>

#include "tests/window/qt/FormHarness.h"
#include "tests/window/qt/ImageProbe.h"
#include "tests/window/qt/QtPrinters.h"
#include "window/SupportLink.h"
#include "window/qt/Look.h"
#include "window/qt/TComboBox.h"
#include "window/qt/TForm1.h"
#include "window/qt/TGauge.h"
#include "window/qt/TGroupBox.h"
#include "window/qt/TLabel.h"
#include "window/qt/TSpeedButton.h"

namespace vorlane {
namespace {

using testing::Control;

const QString Segment1Caption =
    QStringLiteral("******************************语音段1****************************");
const QString Segment2Caption =
    QStringLiteral("******************************语音段2****************************");

struct TExpectedControl {
  const char* Name;
  const char* Parent;
  QRect Place;
  QString Text;
};

// Every visible control in the order the window creates it.
const std::vector<TExpectedControl>& ExpectedControls() {
  static const std::vector<TExpectedControl> controls = {
      {"Gauge1", "Form1", {0, 176, 347, 20}, {}},
      {"Image1", "Form1", {4, 200, 57, 49}, {}},
      {"Label5", "Form1", {64, 200, 193, 13}, QStringLiteral("Vorlane语音系统 Versioon 1.0")},
      {"Label6", "Form1", {64, 219, 193, 13}, QStringLiteral("© 2026 Vorlane 语音设备")},
      {"Label7", "Form1", {64, 238, 149, 13}, QString::fromStdString(SupportLinkText())},
      {"GroupBox1", "Form1", {0, 94, 347, 83}, Segment2Caption},
      {"Label1", "GroupBox1", {8, 48, 329, 25}, {}},
      {"Label2", "GroupBox1", {120, 16, 105, 25}, {}},
      {"SpeedButton1", "GroupBox1", {8, 16, 97, 22}, QStringLiteral("打开(Open)")},
      {"SpeedButton3", "GroupBox1", {240, 16, 97, 22}, QStringLiteral("写入(Write)")},
      {"GroupBox3", "Form1", {0, 6, 347, 83}, Segment1Caption},
      {"Label3", "GroupBox3", {8, 48, 329, 25}, {}},
      {"SpeedButton2", "GroupBox3", {8, 16, 97, 22}, QStringLiteral("打开(Open)")},
      {"SpeedButton4", "GroupBox3", {240, 16, 97, 22}, QStringLiteral("写入(Write)")},
      {"Label4", "GroupBox3", {120, 16, 105, 25}, {}},
      {"StaticText1", "Form1", {256, 200, 88, 17}, QStringLiteral("选择您的移动盘")},
      {"ComboBox1", "Form1", {256, 224, 81, 22}, {}},
  };
  return controls;
}

QString TextOf(const QWidget* widget) {
  if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  if (const auto* group = qobject_cast<const QGroupBox*>(widget)) return group->title();
  return {};
}

QStringList ChildWidgetNames(const QWidget* parent) {
  QStringList names;
  for (const QObject* child : parent->children()) {
    if (child->isWidgetType()) names << child->objectName();
  }
  return names;
}

bool IsWithin(const QObject* object, const QObject* ancestor) {
  for (; object != nullptr; object = object->parent()) {
    if (object == ancestor) return true;
  }
  return false;
}

QFont FontOf(const TForm1& form, const char* name) {
  return form.findChild<QWidget*>(QString::fromLatin1(name))->font();
}

TEST(FormLayout, EveryControlHasItsNameParentPlaceAndText) {
  testing::TFormHarness harness;
  TForm1 form(harness.Services());
  for (const TExpectedControl& expected : ExpectedControls()) {
    SCOPED_TRACE(expected.Name);
    const auto* widget = form.findChild<QWidget*>(QString::fromLatin1(expected.Name));
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromLatin1(expected.Parent));
    EXPECT_EQ(widget->geometry(), expected.Place);
    EXPECT_EQ(TextOf(widget), expected.Text);
  }
}

// Creation order is stacking and tab order; the panels create their controls differently.
TEST(FormLayout, ControlsAreCreatedInTheTablesOrder) {
  testing::TFormHarness harness;
  TForm1 form(harness.Services());
  EXPECT_EQ(ChildWidgetNames(&form),
            QStringList({"Gauge1", "Image1", "Label5", "Label6", "Label7", "GroupBox1", "GroupBox3",
                         "StaticText1", "ComboBox1"}));
  EXPECT_EQ(ChildWidgetNames(Control<TGroupBox>(form, "GroupBox1")),
            QStringList({"Label1", "Label2", "SpeedButton1", "SpeedButton3"}));
  EXPECT_EQ(ChildWidgetNames(Control<TGroupBox>(form, "GroupBox3")),
            QStringList({"Label3", "SpeedButton2", "SpeedButton4", "Label4"}));
}

TEST(FormLayout, WindowHasItsCaptionPlaceColourAndIcon) {
  testing::TFormHarness harness;
  TForm1 form(harness.Services());
  EXPECT_EQ(form.objectName(), QStringLiteral("Form1"));
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Vorlane语音播放系统V1.0"));
  EXPECT_EQ(form.pos(), QPoint(486, 214));
  EXPECT_EQ(form.size(), QSize(347, 253));
  EXPECT_EQ(form.palette().color(QPalette::Window), SkyBlue);
  EXPECT_FALSE(form.windowIcon().isNull());
  EXPECT_EQ(form.font().family(), SansSerifFont(11).family());
  EXPECT_EQ(form.font().pixelSize(), 11);
}

TEST(FormLayout, WindowCanBeMinimisedButNotMaximisedOrResized) {
  testing::TFormHarness harness;
  TForm1 form(harness.Services());
  const Qt::WindowFlags flags = form.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
  EXPECT_EQ(form.minimumSize(), QSize(347, 253));
  EXPECT_EQ(form.maximumSize(), QSize(347, 253));

  form.resize(600, 400);
  EXPECT_EQ(form.size(), QSize(347, 253));
}

// Whatever font stands in for MS Sans Serif, the captions of 58 asterisks and the segment's
// name must fit their 347-pixel panels.
TEST(FormLayout, GroupCaptionsFitTheirPanels) {
  testing::TFormHarness harness;
  TForm1 form(harness.Services());
  for (const TGroupBox* group :
       {Control<TGroupBox>(form, "GroupBox1"), Control<TGroupBox>(form, "GroupBox3")}) {
    const int captionEnd = 8 + QFontMetrics(group->font()).horizontalAdvance(group->title());
    EXPECT_LE(captionEnd, group->width()) << group->objectName().toStdString();
  }
}

TEST(FormLayout, ControlsHaveTheirFontsAndColours) {
  testing::TFormHarness harness;
  TForm1 form(harness.Services());
  for (const char* name : {"Label5", "Label6", "Label7"}) {
    EXPECT_EQ(FontOf(form, name).family(), QStringLiteral("新宋体")) << name;
    EXPECT_EQ(FontOf(form, name).pixelSize(), 12) << name;
  }
  for (const char* name : {"GroupBox1", "GroupBox3"}) {
    EXPECT_EQ(FontOf(form, name).pixelSize(), 13) << name;
  }
  // The panels' own controls are back at the window's size, not the captions'.
  for (const char* name : {"Label1", "Label2", "Label3", "Label4", "SpeedButton1", "SpeedButton2",
                           "SpeedButton3", "SpeedButton4"}) {
    EXPECT_EQ(FontOf(form, name).family(), SansSerifFont(11).family()) << name;
    EXPECT_EQ(FontOf(form, name).pixelSize(), 11) << name;
  }
  EXPECT_EQ(Control<TLabel>(form, "Label7")->palette().color(QPalette::WindowText), Purple);
  EXPECT_EQ(Control<TLabel>(form, "Label7")->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(Control<TComboBox>(form, "ComboBox1")->palette().color(QPalette::Base), SkyBlue);
  EXPECT_EQ(Control<TGroupBox>(form, "GroupBox1")->palette().color(QPalette::Window), SkyBlue);
}

TEST(FormLayout, StartsWithEmptyPanelsTheGaugeAtZeroAndEveryButtonEnabled) {
  testing::TFormHarness harness;
  TForm1 form(harness.Services());
  for (const TLabel* label : {Control<TLabel>(form, "Label1"), Control<TLabel>(form, "Label2"),
                              Control<TLabel>(form, "Label3"), Control<TLabel>(form, "Label4")}) {
    EXPECT_TRUE(label->text().isEmpty()) << label->objectName().toStdString();
  }
  EXPECT_EQ(Control<TGauge>(form, "Gauge1")->Progress(), 0);
  for (const TSpeedButton* button :
       {Control<TSpeedButton>(form, "SpeedButton1"), Control<TSpeedButton>(form, "SpeedButton2"),
        Control<TSpeedButton>(form, "SpeedButton3"), Control<TSpeedButton>(form, "SpeedButton4")}) {
    EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
  }
}

TEST(FormLayout, OnlyTheDriveListTakesTheKeyboardAndHasItOnceActivated) {
  testing::TFormHarness harness;
  TForm1 form(harness.Services());
  const TComboBox* list = Control<TComboBox>(form, "ComboBox1");
  for (QWidget* widget : form.findChildren<QWidget*>()) {
    if (IsWithin(widget, list)) continue;  // its own parts and its popup list
    EXPECT_EQ(widget->focusPolicy(), Qt::NoFocus) << widget->objectName().toStdString();
  }
  EXPECT_NE(list->focusPolicy(), Qt::NoFocus);

  form.show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  EXPECT_EQ(QApplication::focusWidget(), list);
}

TEST(FormLayout, SlotTableWiresEachSegmentToItsOwnControls) {
  testing::TFormHarness harness;
  TForm1 form(harness.Services());
  const TSlotControls& segment1 = form.Slot(TSegment::One);
  EXPECT_EQ(segment1.Group->title(), Segment1Caption);
  EXPECT_EQ(segment1.OpenButton, Control<TSpeedButton>(form, "SpeedButton2"));
  EXPECT_EQ(segment1.WriteButton, Control<TSpeedButton>(form, "SpeedButton4"));
  EXPECT_EQ(segment1.PathLabel, Control<TLabel>(form, "Label3"));
  EXPECT_EQ(segment1.StatusLabel, Control<TLabel>(form, "Label4"));
  EXPECT_EQ(segment1.OpenDialog, harness.Dialog1);
  EXPECT_EQ(segment1.Segment, TSegment::One);

  const TSlotControls& segment2 = form.Slot(TSegment::Two);
  EXPECT_EQ(segment2.Group->title(), Segment2Caption);
  EXPECT_EQ(segment2.OpenButton, Control<TSpeedButton>(form, "SpeedButton1"));
  EXPECT_EQ(segment2.WriteButton, Control<TSpeedButton>(form, "SpeedButton3"));
  EXPECT_EQ(segment2.PathLabel, Control<TLabel>(form, "Label1"));
  EXPECT_EQ(segment2.StatusLabel, Control<TLabel>(form, "Label2"));
  EXPECT_EQ(segment2.OpenDialog, harness.Dialog2);
  EXPECT_EQ(segment2.Segment, TSegment::Two);
}

TEST(FormLayout, UsesTheOpenDialogsItIsGiven) {
  testing::TFormHarness harness;
  TForm1 form(harness.Services());
  EXPECT_EQ(form.Slot(TSegment::One).OpenDialog, harness.Dialog1);
  EXPECT_EQ(form.Slot(TSegment::Two).OpenDialog, harness.Dialog2);
}

TEST(FormLayout, ComPortIsSetUpForCom1AndNeverOpened) {
  testing::TFormHarness harness;
  TForm1 form(harness.Services());
  const auto* comPort1 = form.findChild<QSerialPort*>(QStringLiteral("ComPort1"));
  ASSERT_NE(comPort1, nullptr);
  EXPECT_EQ(comPort1->objectName(), QStringLiteral("ComPort1"));
  EXPECT_EQ(comPort1->portName(), QStringLiteral("COM1"));
  EXPECT_EQ(comPort1->baudRate(), 115200);
  EXPECT_EQ(comPort1->dataBits(), QSerialPort::Data8);
  EXPECT_EQ(comPort1->parity(), QSerialPort::NoParity);
  EXPECT_EQ(comPort1->stopBits(), QSerialPort::OneStop);
  EXPECT_EQ(comPort1->flowControl(), QSerialPort::NoFlowControl);
  EXPECT_FALSE(comPort1->isOpen());
}

// The logo's ground is keyed out, so the window's sky blue shows at its corners.
TEST(FormLayout, LogoCornersShowTheWindowBeneath) {
  testing::TFormHarness harness;
  TForm1 form(harness.Services());
  const QImage window = form.grab().toImage();
  for (const QPoint corner : {QPoint(4, 200), QPoint(4, 248), QPoint(60, 200), QPoint(60, 248)}) {
    EXPECT_TRUE(test::IsColour(window.pixel(corner), SkyBlue)) << corner.x() << "," << corner.y();
  }
  EXPECT_FALSE(test::IsColour(window.pixel(32, 224), SkyBlue));
}

}  // namespace
}  // namespace vorlane
