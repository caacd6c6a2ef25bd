// The program's one window: two segment panels, the progress gauge, the maker's line with its
// logo and support link, and the drive list.
#pragma once

#include <QUrl>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "card/CardLayout.h"
#include "drives/DriveWatcher.h"
#include "drives/RemovableDrives.h"
#include "window/SlotWiring.h"
#include "window/TFormBehaviour.h"
#include "window/TFormView.h"
#include "window/qt/MessageBoxes.h"
#include "window/qt/TOpenDialog.h"

class QLabel;
class QSerialPort;
class QTimer;

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
  std::function<std::vector<std::string>()> GetRemovableDrives;          // the drive list's entries
  std::function<std::vector<TDriveDetails>()> GetRemovableDriveDetails;  // their tooltips
  TWatchDrives WatchDriveChanges;
  std::unique_ptr<TMessageBoxes> Messages;
  TPlatform* Platform = nullptr;  // volumes, beeps and pauses for the write job
  std::function<void(const QUrl&)> OpenUrl;
};

// The controls of one segment's panel and the segment they write: the slot wiring, as data.
struct TSlotControls {
  TGroupBox* Group;
  TSpeedButton* OpenButton;
  TSpeedButton* WriteButton;
  TLabel* PathLabel;
  TLabel* StatusLabel;
  TOpenDialog* OpenDialog;
  TSegment Segment;
};

// The Qt window: its controls, their painting and the plumbing from their signals to the
// behaviour's handlers. The controls keep their kind-and-number names (SpeedButton4,
// ComboBox1): they are the window's documented vocabulary. The controls are private; tests
// find them by object name, and reach the behaviour through its read-only accessor.
class TForm1 : public QWidget, public TFormView {
  Q_OBJECT

 public:
  explicit TForm1(TFormServices services = {});
  // Stops a running write job at its next sector and waits for it before any control goes.
  ~TForm1() override;

  const TSlotControls& Slot(TSegment segment) const { return Slots[SlotIndex(segment)]; }
  const TFormBehaviour& Behaviour() const { return *FormBehaviour; }

  void ClearDriveList() override;
  void AddDrive(const std::string& entry, const std::string& details) override;
  int DriveCount() const override;
  std::string DriveText(int index) const override;
  int SelectedDrive() const override;
  void SelectDrive(int index) override;
  bool DriveListOpen() const override;
  std::optional<std::string> RunOpenDialog(TSegment segment) override;
  void SetPathText(TSegment segment, const std::string& text) override;
  void SetStatusText(TSegment segment, const std::string& text) override;
  void SetStatusColor(TSegment segment, TColor color) override;
  void SetButtonEnabled(TButton button, bool enabled) override;
  void SetProgress(int percent) override;
  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override;
  void OpenUrl(const std::string& url) override;
  void PostToWindowThread(std::function<void()> change) override;

 private:
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

  std::array<TSlotControls, 2> Slots{};  // in the slot wiring's order
  TSlotControls& SlotFor(TSegment segment) { return Slots[SlotIndex(segment)]; }
  TSpeedButton* SpeedButton(TButton button) const;
  TOpenDialog* OpenDialog(int number) const;

  void WatchDrives(const TWatchDrives& watch);
  void DrivesChanged();

  void SetUpWindow();
  void CreateGaugeAndMakerLine();
  void CreateSegment2Panel();
  void CreateSegment1Panel();
  void CreateDriveList();
  void CreateComPort();
  void WireSlots();
  void ConnectHandlers();

  const std::unique_ptr<TMessageBoxes> Messages;
  const std::function<void(const QUrl&)> Browse;
  std::unique_ptr<TFormBehaviour> FormBehaviour;  // made once the controls exist
  QTimer* DriveChangeDelay = nullptr;             // merges a burst of drive events into one refresh
  std::unique_ptr<TDriveWatcher> DriveWatcher;
};

}  // namespace vorlane
