#include "window/qt/TForm1.h"

#include <QDesktopServices>
#include <QLoggingCategory>
#include <QSerialPort>

#include "window/SupportLink.h"
#include "window/WindowTexts.h"
#include "window/qt/Look.h"
#include "window/qt/Pictures.h"
#include "window/qt/TComboBox.h"
#include "window/qt/TGauge.h"
#include "window/qt/TGroupBox.h"
#include "window/qt/TLabel.h"
#include "window/qt/TSpeedButton.h"

namespace vorlane {
namespace {

// Places inside a segment's panel; both panels are laid out alike.
const QRect OpenButtonPlace(8, 16, 97, 22);
const QRect WriteButtonPlace(240, 16, 97, 22);
const QRect StatusLabelPlace(120, 16, 105, 25);
const QRect PathLabelPlace(8, 48, 329, 25);

const QString OpenCaption = QString::fromUtf8(OpenButtonCaption);
const QString WriteCaption = QString::fromUtf8(WriteButtonCaption);

TLabel* AddLabel(QWidget* parent, const char* name, const QRect& place, const QString& text,
                 Qt::Alignment verticalAlignment, const QFont& font) {
  auto* label = new TLabel(text, verticalAlignment, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(place);
  label->setFont(font);
  return label;
}

// A panel's path or status label: empty until a file is chosen or written.
TLabel* AddPanelLabel(QWidget* panel, const char* name, const QRect& place) {
  return AddLabel(panel, name, place, QString(), Qt::AlignVCenter, SansSerifFont(11));
}

TSpeedButton* AddSpeedButton(QWidget* panel, const char* name, const QRect& place,
                             const QString& caption, const QImage& glyph) {
  auto* button = new TSpeedButton(caption, glyph, panel);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(place);
  button->setFont(SansSerifFont(11));
  return button;
}

TGroupBox* AddPanel(QWidget* parent, const char* name, int top, TSegment segment) {
  auto* group = new TGroupBox(QString::fromStdString(SegmentCaption(segment)), parent);
  group->setObjectName(QString::fromLatin1(name));
  group->setGeometry(0, top, 347, 83);
  group->setFont(SansSerifFont(13));
  return group;
}

std::unique_ptr<TOpenDialog> OrFileOpenDialog(std::unique_ptr<TOpenDialog> dialog) {
  return dialog ? std::move(dialog) : MakeFileOpenDialog();
}

std::unique_ptr<TMessageBoxes> OrQtMessageBoxes(std::unique_ptr<TMessageBoxes> messages) {
  return messages ? std::move(messages) : std::make_unique<TQtMessageBoxes>();
}

void OpenInBrowser(const QUrl& url) {
  QDesktopServices::openUrl(url);
}

Q_LOGGING_CATEGORY(JobLog, "vorlane.job")

void LogJobFailure(const std::string& line) {
  qCWarning(JobLog).noquote() << QString::fromStdString(line);
}

TBehaviourServices BehaviourServices(TFormServices& services) {
  TBehaviourServices behaviour;
  behaviour.GetRemovableDrives = std::move(services.GetRemovableDrives);
  behaviour.GetRemovableDriveDetails = std::move(services.GetRemovableDriveDetails);
  behaviour.Platform = services.Platform;
  behaviour.LogJobFailure = LogJobFailure;
  return behaviour;
}

}  // namespace

TForm1::TForm1(TFormServices services)
    : OpenDialog1(OrFileOpenDialog(std::move(services.OpenDialog1))),
      OpenDialog2(OrFileOpenDialog(std::move(services.OpenDialog2))),
      Messages(OrQtMessageBoxes(std::move(services.Messages))),
      Browse(services.OpenUrl ? std::move(services.OpenUrl) : OpenInBrowser) {
  SetUpWindow();
  CreateGaugeAndMakerLine();
  CreateSegment2Panel();
  CreateSegment1Panel();
  CreateDriveList();
  CreateComPort();
  WireSlots();
  FormBehaviour = std::make_unique<TFormBehaviour>(*this, BehaviourServices(services));
  ConnectHandlers();
  // The drive list is the one control that takes the keyboard; it has it once the window
  // is activated.
  ComboBox1->setFocus();
  FormBehaviour->FormCreate();
  WatchDrives(services.WatchDriveChanges);
}

void TForm1::SetUpWindow() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromUtf8(FormCaption));
  // A title bar with the system menu, minimise and close, but no maximise or help button.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(347, 253);
  move(486, 214);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, SkyBlue);
  setPalette(colours);
  setFont(SansSerifFont(11));
  setWindowIcon(ProgramIcon());
}

void TForm1::CreateGaugeAndMakerLine() {
  Gauge1 = new TGauge(this);
  Gauge1->setObjectName(QStringLiteral("Gauge1"));
  Gauge1->setGeometry(0, 176, 347, 20);

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(4, 200, 57, 49);
  Image1->setPixmap(StretchedLogo(Image1->size()));

  Label5 = AddLabel(this, "Label5", {64, 200, 193, 13}, QString::fromUtf8(MakerNameText),
                    Qt::AlignTop, MakerLineFont());
  Label6 = AddLabel(this, "Label6", {64, 219, 193, 13}, QString::fromUtf8(MakerNoticeText),
                    Qt::AlignTop, MakerLineFont());
  Label7 = AddLabel(this, "Label7", {64, 238, 149, 13}, QString::fromStdString(SupportLinkText()),
                    Qt::AlignTop, MakerLineFont());
  SetTextColor(*Label7, Purple);
  Label7->setCursor(Qt::PointingHandCursor);
}

void TForm1::CreateSegment2Panel() {
  GroupBox1 = AddPanel(this, "GroupBox1", 94, TSegment::Two);
  Label1 = AddPanelLabel(GroupBox1, "Label1", PathLabelPlace);
  Label2 = AddPanelLabel(GroupBox1, "Label2", StatusLabelPlace);
  SpeedButton1 =
      AddSpeedButton(GroupBox1, "SpeedButton1", OpenButtonPlace, OpenCaption, FolderGlyph());
  SpeedButton3 =
      AddSpeedButton(GroupBox1, "SpeedButton3", WriteButtonPlace, WriteCaption, WriteGlyph());
}

void TForm1::CreateSegment1Panel() {
  GroupBox3 = AddPanel(this, "GroupBox3", 6, TSegment::One);
  Label3 = AddPanelLabel(GroupBox3, "Label3", PathLabelPlace);
  SpeedButton2 =
      AddSpeedButton(GroupBox3, "SpeedButton2", OpenButtonPlace, OpenCaption, FolderGlyph());
  SpeedButton4 =
      AddSpeedButton(GroupBox3, "SpeedButton4", WriteButtonPlace, WriteCaption, WriteGlyph());
  Label4 = AddPanelLabel(GroupBox3, "Label4", StatusLabelPlace);
}

void TForm1::CreateDriveList() {
  StaticText1 = AddLabel(this, "StaticText1", {256, 200, 88, 17},
                         QString::fromUtf8(DriveListCaption), Qt::AlignTop, font());

  ComboBox1 = new TComboBox(this);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setGeometry(256, 224, 81, 22);
  QPalette colours = ComboBox1->palette();
  colours.setColor(QPalette::Base, SkyBlue);
  ComboBox1->setPalette(colours);
}

// Created and destroyed with the window and never opened. A closed port holds DTR and RTS
// off; Qt sets those lines only on an open port.
void TForm1::CreateComPort() {
  ComPort1 = new QSerialPort(QStringLiteral("COM1"), this);
  ComPort1->setObjectName(QStringLiteral("ComPort1"));
  ComPort1->setBaudRate(QSerialPort::Baud115200);
  ComPort1->setDataBits(QSerialPort::Data8);
  ComPort1->setParity(QSerialPort::NoParity);
  ComPort1->setStopBits(QSerialPort::OneStop);
  ComPort1->setFlowControl(QSerialPort::NoFlowControl);
}

// Each segment's controls, found by the names the slot wiring gives them.
void TForm1::WireSlots() {
  for (std::size_t slot = 0; slot < Slots.size(); ++slot) {
    const TSlotWiring& wiring = SlotWiring[slot];
    Slots[slot] = {findChild<TGroupBox*>(QString::fromLatin1(wiring.Group)),
                   SpeedButton(wiring.OpenButton),
                   SpeedButton(wiring.WriteButton),
                   findChild<TLabel*>(QString::fromLatin1(wiring.PathLabel)),
                   findChild<TLabel*>(QString::fromLatin1(wiring.StatusLabel)),
                   OpenDialog(wiring.OpenDialog),
                   wiring.Segment};
  }
}

void TForm1::ConnectHandlers() {
  TFormBehaviour& form = *FormBehaviour;
  connect(ComboBox1, &TComboBox::DropDown, this, [&form] { form.ComboBox1DropDown(); });
  connect(ComboBox1, &QComboBox::activated, this, [&form] { form.ComboBox1Click(); });
  connect(ComboBox1, &TComboBox::CloseUp, this, [&form] { form.ComboBox1CloseUp(); });
  for (TButton button : AllButtons)
    connect(SpeedButton(button), &QAbstractButton::clicked, this,
            [&form, button] { form.ButtonClick(button); });
  connect(Label7, &TLabel::Clicked, this, [&form] { form.Label7Click(); });
}

}  // namespace vorlane
