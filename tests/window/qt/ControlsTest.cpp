#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

#include "tests/window/qt/ImageProbe.h"
#include "tests/window/qt/QtPrinters.h"
#include "window/qt/Look.h"
#include "window/qt/Pictures.h"
#include "window/qt/TComboBox.h"
#include "window/qt/TGroupBox.h"
#include "window/qt/TLabel.h"
#include "window/qt/TSpeedButton.h"

namespace vorlane {
namespace {

using test::BoundsOf;
using test::CountPixels;
using test::IsColour;

// As "#rrggbb": compares colours whichever way they were made and prints them readably.
QString ColourAt(const QImage& image, int x, int y) {
  return QColor(image.pixel(x, y)).name();
}

bool IsSkyBlue(QRgb pixel) {
  return IsColour(pixel, SkyBlue);
}

// A sky blue panel holding one control, as the window's panels do.
class TPanel {
 public:
  TPanel() {
    QPalette colours = Panel.palette();
    colours.setColor(QPalette::Window, SkyBlue);
    Panel.setPalette(colours);
    Panel.setAutoFillBackground(true);
    Panel.setFont(SansSerifFont(11));
    Panel.resize(347, 83);
  }
  QWidget Panel;
};

class SpeedButton : public testing::Test {
 protected:
  QImage Grab() { return Button->grab().toImage(); }

  TPanel Panel;
  TSpeedButton* Button = [this] {
    auto* button = new TSpeedButton(QStringLiteral("打开(Open)"), FolderGlyph(), &Panel.Panel);
    button->setGeometry(8, 16, 97, 22);
    return button;
  }();
};

TEST_F(SpeedButton, IdleShowsThePanelThroughAndNoGlyphGround) {
  const QImage image = Grab();
  for (const QPoint corner : {QPoint(0, 0), QPoint(96, 0), QPoint(0, 21), QPoint(96, 21)}) {
    EXPECT_TRUE(IsSkyBlue(image.pixel(corner))) << corner.x() << "," << corner.y();
  }
  // The glyph's ground is magenta, the colour of its bottom-left pixel.
  EXPECT_EQ(CountPixels(image, image.rect(), [](QRgb p) { return IsColour(p, Qt::magenta); }), 0);
}

TEST_F(SpeedButton, GlyphAndCaptionAreCentredAsAPair) {
  const QImage image = Grab();
  const QRect content = BoundsOf(image, [](QRgb p) { return !IsSkyBlue(p); });
  ASSERT_FALSE(content.isEmpty());
  const int leftGap = content.left();
  const int rightGap = image.width() - 1 - content.right();
  EXPECT_NEAR(leftGap, rightGap, 3);
}

TEST_F(SpeedButton, PressedSinksTheEdgeAndShiftsTheContentOnePixel) {
  const QImage idle = Grab();
  Button->setDown(true);
  const QImage pressed = Grab();
  EXPECT_EQ(ColourAt(pressed, 0, 0), Button->palette().color(QPalette::Dark).name());
  EXPECT_EQ(ColourAt(pressed, 96, 21), Button->palette().color(QPalette::Light).name());

  const QRect inner(2, 2, 90, 17);
  int moved = 0;
  for (int y = inner.top(); y <= inner.bottom(); ++y) {
    for (int x = inner.left(); x <= inner.right(); ++x) {
      moved += idle.pixel(x, y) == pressed.pixel(x + 1, y + 1);
    }
  }
  EXPECT_EQ(moved, inner.width() * inner.height());
}

TEST_F(SpeedButton, HoverRaisesTheEdgeOnlyWhileEnabled) {
  Panel.Panel.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Panel.Panel));
  QTest::mouseMove(Button, QPoint(40, 10));
  QTest::qWait(20);
  ASSERT_TRUE(Button->underMouse());
  QImage image = Grab();
  EXPECT_EQ(ColourAt(image, 0, 0), Button->palette().color(QPalette::Light).name());
  EXPECT_EQ(ColourAt(image, 96, 21), Button->palette().color(QPalette::Dark).name());

  Button->setEnabled(false);
  image = Grab();
  EXPECT_TRUE(IsSkyBlue(image.pixel(0, 0)));
  EXPECT_TRUE(IsSkyBlue(image.pixel(96, 21)));
}

TEST_F(SpeedButton, DisabledShowsAGreyGlyphAndAnEmbossedCaption) {
  Button->setEnabled(false);
  const QImage image = Grab();
  // Greys and their blends with the sky blue panel stay far from the glyph's yellow and green.
  const auto isColourful = [](QRgb p) {
    const int high = std::max({qRed(p), qGreen(p), qBlue(p)});
    const int low = std::min({qRed(p), qGreen(p), qBlue(p)});
    return high - low > 100;
  };
  EXPECT_EQ(CountPixels(image, image.rect(), isColourful), 0);
  // The caption's light copy shows where the dark one leaves it uncovered.
  EXPECT_GT(CountPixels(image, image.rect(), [](QRgb p) { return qRed(p) > 220; }), 10);
}

TEST(GroupBox, FrameRunsThroughTheCaptionsMiddleAndTheCaptionCutsIt) {
  TPanel panel;
  auto* group = new TGroupBox(QStringLiteral("**** 语音段1 ****"), &panel.Panel);
  group->setFont(SansSerifFont(13));
  QPalette colours = group->palette();
  colours.setColor(QPalette::Window, SkyBlue);
  group->setPalette(colours);
  group->setGeometry(0, 0, 347, 83);
  const QImage image = group->grab().toImage();
  const int frameTop = QFontMetrics(group->font()).height() / 2 - 1;
  const auto isFrame = [](QRgb p) { return IsColour(p, WindowFrame); };

  EXPECT_EQ(CountPixels(image, QRect(0, frameTop, 8, 1), isFrame), 8);
  const int belowCaption = QFontMetrics(group->font()).height();
  EXPECT_EQ(CountPixels(image, QRect(0, belowCaption, 347, 82 - belowCaption), isFrame),
            2 * (82 - belowCaption));  // only the two sides
  EXPECT_EQ(CountPixels(image, QRect(0, 82, 347, 1), isFrame), 347);
  EXPECT_EQ(CountPixels(image, QRect(0, 0, 347, frameTop), isFrame) > 0, true);  // caption
  EXPECT_TRUE(IsSkyBlue(image.pixel(2, frameTop - 1)));
  EXPECT_LT(CountPixels(image, QRect(8, frameTop, 80, 1), isFrame), 80);
  EXPECT_EQ(CountPixels(image, QRect(200, frameTop, 147, 1), isFrame), 147);
}

TEST(Label, ReportsALeftClickInside) {
  TLabel label(QStringLiteral("技术支持：vorlane.test"), Qt::AlignTop);
  label.resize(149, 13);
  QSignalSpy clicks(&label, &TLabel::Clicked);
  QTest::mouseClick(&label, Qt::RightButton);
  EXPECT_EQ(clicks.count(), 0);
  QTest::mouseClick(&label, Qt::LeftButton);
  EXPECT_EQ(clicks.count(), 1);
}

class ComboBox : public testing::Test {
 protected:
  void SetUp() override {
    Panel.Panel.resize(347, 253);
    List->setGeometry(256, 224, 81, 22);
    Panel.Panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Panel.Panel));
  }

  TPanel Panel;
  TComboBox* List = new TComboBox(&Panel.Panel);
};

TEST_F(ComboBox, DropDownComesBeforeTheListOpensSoItsEntriesAreShown) {
  bool openAtDropDown = true;
  QObject::connect(List, &TComboBox::DropDown, [&] {
    openAtDropDown = List->view()->isVisible();
    List->addItems({"sdb1", "sdc"});
  });
  List->showPopup();
  EXPECT_FALSE(openAtDropDown);
  EXPECT_TRUE(List->view()->isVisible());
  EXPECT_EQ(List->view()->model()->rowCount(), 2);
  List->hidePopup();
}

TEST_F(ComboBox, CloseUpComesOnceAfterTheListClosesHoweverItCloses) {
  QSignalSpy closeUps(List, &TComboBox::CloseUp);
  bool openAtCloseUp = true;
  QObject::connect(List, &TComboBox::CloseUp,
                   [&] { openAtCloseUp = List->view()->window()->isVisible(); });
  List->addItem("sdb1");
  List->showPopup();
  List->hidePopup();
  List->hidePopup();
  QCoreApplication::processEvents();
  EXPECT_EQ(closeUps.count(), 1);
  EXPECT_FALSE(openAtCloseUp);

  // As when another program takes the focus: the popup is closed, not hidePopup().
  List->showPopup();
  List->view()->window()->close();
  QCoreApplication::processEvents();
  EXPECT_EQ(closeUps.count(), 2);
}

// The window's close-up handler restores a selection only when none was picked, so a pick
// must be current, and reported, by the time the list reports closing.
TEST_F(ComboBox, PickingAnEntrySelectsAndActivatesItBeforeCloseUp) {
  List->addItems({"sdb1", "sdc"});
  QStringList order;
  QObject::connect(List, &TComboBox::CloseUp,
                   [&] { order << QStringLiteral("CloseUp %1").arg(List->currentIndex()); });
  QObject::connect(List, &QComboBox::activated,
                   [&](int index) { order << QStringLiteral("activated %1").arg(index); });
  List->showPopup();
  QAbstractItemView* view = List->view();
  const QRect second = view->visualRect(view->model()->index(1, 0));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, second.center());
  QCoreApplication::processEvents();
  EXPECT_EQ(order, QStringList({"activated 1", "CloseUp 1"}));
}

TEST_F(ComboBox, OpensBelowWithEightSixteenPixelEntriesThenScrolls) {
  for (int i = 0; i < 12; ++i) List->addItem(QStringLiteral("sd%1").arg(QChar('b' + i)));
  List->showPopup();
  QAbstractItemView* view = List->view();
  EXPECT_EQ(view->visualRect(view->model()->index(0, 0)).height(), DriveEntryHeight);
  EXPECT_EQ(view->viewport()->height(), 8 * DriveEntryHeight);
  EXPECT_TRUE(view->verticalScrollBar()->isVisible());
  List->hidePopup();
}

const QColor Highlight{0, 0, 128};

QImage PaintEntry(QStyle::State state) {
  QStandardItemModel model;
  model.appendRow(new QStandardItem(QStringLiteral("E:")));
  QStyleOptionViewItem option;
  option.rect = QRect(0, 0, 81, DriveEntryHeight);
  option.font = SansSerifFont(11);
  option.palette.setColor(QPalette::Highlight, Highlight);
  option.palette.setColor(QPalette::Text, Qt::black);
  option.palette.setColor(QPalette::HighlightedText, Qt::white);
  option.state = state;

  QImage image(81, DriveEntryHeight, QImage::Format_RGB32);
  image.fill(Qt::red);
  QPainter painter(&image);
  TDriveItemDelegate().paint(&painter, option, model.index(0, 0));
  return image;
}

TEST(DriveItemDelegate, FillsSkyBlueOrHighlightAndWritesTwoPixelsInAtTheTop) {
  for (const bool selected : {false, true}) {
    const QImage image = PaintEntry(selected ? QStyle::State_Selected : QStyle::State_None);
    const QColor ground = selected ? Highlight : SkyBlue;
    EXPECT_EQ(ColourAt(image, 0, 0), ground.name()) << selected;
    EXPECT_EQ(ColourAt(image, 80, 15), ground.name()) << selected;
    const QRect text = BoundsOf(image, [&](QRgb p) { return !IsColour(p, ground); });
    EXPECT_GE(text.left(), 2) << selected;
    EXPECT_LE(text.left(), 4) << selected;
    EXPECT_LE(text.top(), 4) << selected;  // at the entry's top, not centred
  }
}

TEST(DriveItemDelegate, FramesTheSelectedEntryWithDotsWhileFocused) {
  const QImage image = PaintEntry(QStyle::State_Selected | QStyle::State_HasFocus);
  const QString inverted = QColor(255, 255, 127).name();
  // Along the top edge every other pixel is inverted.
  for (int x = 0; x < 80; ++x) {
    const QString here = ColourAt(image, x, 0);
    const QString next = ColourAt(image, x + 1, 0);
    ASSERT_TRUE(here == inverted || next == inverted) << x;
    ASSERT_NE(here, next) << x;
  }
  EXPECT_EQ(ColourAt(PaintEntry(QStyle::State_Selected), 0, 0), Highlight.name());
}

// The pictures are resources of a static library, which the linker drops unless told not to.
TEST(Pictures, AreEmbeddedAtTheirSizes) {
  EXPECT_EQ(FolderGlyph().size(), QSize(24, 24));
  EXPECT_EQ(WriteGlyph().size(), QSize(24, 24));
  EXPECT_FALSE(ProgramIcon().isNull());
  const QImage logo = StretchedLogo(QSize(57, 49)).toImage();
  EXPECT_EQ(logo.size(), QSize(57, 49));
  EXPECT_EQ(qAlpha(logo.pixel(0, 48)), 0);
  EXPECT_EQ(qAlpha(logo.pixel(28, 24)), 255);
}

}  // namespace
}  // namespace vorlane
