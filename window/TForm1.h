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
#include "card/TReadWrite.h"
#include "card/TSegmentSlot.h"
#include "drives/DriveWatcher.h"
#include "drives/RemovableDrives.h"
#include "window/DriveSelection.h"
#include "window/JobPresenter.h"
#include "window/MessageBoxes.h"
#include "window/QueuedJobWindow.h"
#include "window/TOpenDialog.h"

class QLabel;
class QSerialPort;
class QTimer;

namespace vorlane {

class TComboBox;
class TGauge;
class TGroupBox;
class TLabel;
class TSpeedButton;

// Starts watching for cards coming and going; the watcher calls its argument on a thread of its
// own, and never again once it is destroyed.
using TWatchDrives = std::function<std::unique_ptr<TDriveWatcher>(std::function<void()>)>;

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

// The controls of one segment's panel and the segment they write.
struct TSlotControls {
  TGroupBox* Group;
  TSpeedButton* OpenButton;
  TSpeedButton* WriteButton;
  TLabel* PathLabel;
  TLabel* StatusLabel;
  TOpenDialog* OpenDialog;
  TSegment Segment;
};

// The controls and handlers keep their kind-and-number names (SpeedButton4, ComboBox1DropDown):
// they are the window's documented vocabulary. Everything is private; the few read-only
// accessors below are for tests, which otherwise find the controls by object name.
class TForm1 : public QWidget {
  Q_OBJECT

 public:
  explicit TForm1(TFormServices services = {});
  // Stops a running write job at its next sector and waits for it before any control goes.
  ~TForm1() override;

  const TSlotControls& Slot(TSegment segment) const { return Slots[IndexOf(segment)]; }
  const TSegmentSlot& Segment(TSegment segment) const { return Segments[IndexOf(segment)]; }
  const TSector& SectorBuffer() const { return SectorBuf; }
  TSegment LastWriteMode() const { return WriteMode; }
  int LastPickedIndex() const { return LastDriveIndex; }

 private:
  friend class TQueuedJobWindow;  // the write job's changes, applied on the window's thread

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

  // Slots[0] is segment 1, Slots[1] segment 2; so are Segments.
  static std::size_t IndexOf(TSegment segment) { return segment == TSegment::Two ? 1 : 0; }
  std::array<TSlotControls, 2> Slots{};
  TSlotControls& SlotFor(TSegment segment) { return Slots[IndexOf(segment)]; }
  TSpeedButton* SpeedButton(TButton button) const;

  // Each segment's current file, declared length and armed flag.
  std::array<TSegmentSlot, 2> Segments{};
  TSegmentSlot& SegmentFor(TSegment segment) { return Segments[IndexOf(segment)]; }
  TSector SectorBuf{};  // lent to the write job; only one job runs at a time
  TSegment WriteMode = TSegment::One;
  int LastDriveIndex = 0;  // the drive list index the user last picked

  void FormCreate();
  void ComboBox1DropDown();
  void ComboBox1Click();
  void ComboBox1CloseUp();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void SpeedButton3Click();
  void SpeedButton4Click();
  void Label7Click();

  void OpenSegmentFile(TSegment segment);
  void StartWrite(TSegment segment);
  bool RefuseWrite(const TSegmentSlot& segment);
  void FillDriveList(const std::vector<std::string>& entries);
  void ShowMessage(const char* text);
  void WatchDrives(const TWatchDrives& watch);
  void DrivesChanged();
  TDriveListState ShownDrives() const;

  void SetUpWindow();
  void CreateGaugeAndMakerLine();
  void CreateSegment2Panel();
  void CreateSegment1Panel();
  void CreateDriveList();
  void CreateComPort();
  void ConnectHandlers();

  const std::function<std::vector<std::string>()> ListDrives;
  const std::function<std::vector<TDriveDetails>()> ListDriveDetails;
  const std::unique_ptr<TMessageBoxes> Messages;
  TPlatform& Platform;
  const std::function<void(const QUrl&)> OpenUrl;
  TQueuedJobWindow JobWindow{*this, *Messages};
  std::unique_ptr<TJobPresenter> Presenter;  // of the last job; outlives it
  std::unique_ptr<TReadWriteThread> Job;     // the last job started, finished or not
  QTimer* DriveChangeDelay = nullptr;        // merges a burst of drive events into one refresh
  std::unique_ptr<TDriveWatcher> DriveWatcher;
};

// A group caption: 30 asterisks, the segment's name and 28 asterisks.
QString SegmentCaption(const QString& segmentName);

}  // namespace vorlane
