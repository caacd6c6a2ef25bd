// The program's one window: two segment panels, the progress gauge, the maker's line with its
// logo and support link, and the drive list.
#pragma once

#include <QWidget>
#include <array>
#include <memory>

#include "window/TOpenDialog.h"

class QLabel;
class QSerialPort;

namespace vorlane {

class TComboBox;
class TGauge;
class TGroupBox;
class TLabel;
class TSpeedButton;

// What the window is given rather than makes itself, so tests can script it. Anything left
// empty is replaced by the real thing.
struct TFormServices {
  std::unique_ptr<TOpenDialog> OpenDialog1;
  std::unique_ptr<TOpenDialog> OpenDialog2;
};

// The controls of one segment's panel and the write mode that selects the segment.
struct TSlotControls {
  TGroupBox* Group;
  TSpeedButton* OpenButton;
  TSpeedButton* WriteButton;
  TLabel* PathLabel;
  TLabel* StatusLabel;
  TOpenDialog* OpenDialog;
  int WriteMode;
};

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  explicit TForm1(TFormServices services = {});

  // The controls, created in this order; the window owns them.
  TGauge* Gauge1 = nullptr;
  QLabel* Image1 = nullptr;
  TLabel* Label5 = nullptr;
  TLabel* Label6 = nullptr;
  TLabel* Label7 = nullptr;
  TGroupBox* GroupBox1 = nullptr;  // segment 2
  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TSpeedButton* SpeedButton1 = nullptr;
  TSpeedButton* SpeedButton3 = nullptr;
  TGroupBox* GroupBox3 = nullptr;  // segment 1
  TLabel* Label3 = nullptr;
  TSpeedButton* SpeedButton2 = nullptr;
  TSpeedButton* SpeedButton4 = nullptr;
  TLabel* Label4 = nullptr;
  TLabel* StaticText1 = nullptr;
  TComboBox* ComboBox1 = nullptr;
  const std::unique_ptr<TOpenDialog> OpenDialog1;
  const std::unique_ptr<TOpenDialog> OpenDialog2;
  QSerialPort* ComPort1 = nullptr;

  // Slots[0] is segment 1, Slots[1] segment 2.
  std::array<TSlotControls, 2> Slots{};

  void FormCreate();
  void ComboBox1DropDown();
  void ComboBox1Click();
  void ComboBox1CloseUp();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void SpeedButton3Click();
  void SpeedButton4Click();
  void Label7Click();

 private:
  void SetUpWindow();
  void CreateGaugeAndMakerLine();
  void CreateSegment2Panel();
  void CreateSegment1Panel();
  void CreateDriveList();
  void CreateComPort();
  void ConnectHandlers();
};

// A group caption: 30 asterisks, the segment's name and 28 asterisks.
QString SegmentCaption(const QString& segmentName);

}  // namespace vorlane
