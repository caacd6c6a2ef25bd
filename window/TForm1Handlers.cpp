// What the window does: the drive list, choosing and checking a segment's WAV file, starting
// the write job, and the support link. Every handler runs on the window's thread.
#include <QFile>
#include <QTimer>
#include <algorithm>

#include "card/WavFile.h"
#include "window/Look.h"
#include "window/SupportLink.h"
#include "window/TComboBox.h"
#include "window/TForm1.h"
#include "window/TGauge.h"
#include "window/TLabel.h"
#include "window/TSpeedButton.h"

namespace vorlane {
namespace {

constexpr const char* NoRemovableDiskMessage = "没找到可移动磁盘";
constexpr const char* OpenWavFirstMessage = "请先打开WAV格式文件";
constexpr const char* WavTooLargeMessage = "WAV文件不能大于400M";
constexpr const char* NotWavMessage = "此文件不是有效的WAV文件";

// The error box's text for a chosen file that could not be opened. The box adds its own full
// stop, so the system's text loses trailing dots and blanks.
std::string CannotOpenFileText(const std::string& path, std::string systemText) {
  while (!systemText.empty()) {
    const unsigned char last = static_cast<unsigned char>(systemText.back());
    if (last > ' ' && last != '.') break;
    systemText.pop_back();
  }
  return "Cannot open file \"" + path + "\". " + systemText;
}

// Inserting a card gives several kernel events (the disk, its partitions, the media change);
// the list is read once they have died down.
constexpr int DriveChangeDelayMs = 300;

// File names go to the OS in its own encoding; messages and labels are UTF-8 texts.
std::string FileSystemName(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

}  // namespace

// Drive events stop first. A running job is stopped at its next sector and waited for; the
// closing window hears nothing more of it.
TForm1::~TForm1() {
  DriveWatcher.reset();
  if (Presenter) Presenter->Detach();
  Job.reset();
}

TSpeedButton* TForm1::SpeedButton(TButton button) const {
  const std::array<TSpeedButton*, 4> buttons{SpeedButton1, SpeedButton2, SpeedButton3,
                                             SpeedButton4};
  return buttons.at(static_cast<std::size_t>(button) - 1);
}

void TForm1::ShowMessage(const char* text) {
  Messages->ShowMessage(QString::fromUtf8(text));
}

// Each entry's text is the kernel's name; its tooltip tells cards apart by size and reader.
void TForm1::FillDriveList(const std::vector<std::string>& entries) {
  const std::vector<TDriveDetails> details = ListDriveDetails();
  for (const std::string& entry : entries) {
    ComboBox1->addItem(QString::fromStdString(entry));
    const auto found =
        std::find_if(details.begin(), details.end(),
                     [&](const TDriveDetails& drive) { return drive.Entry == entry; });
    if (found != details.end())
      ComboBox1->setItemData(ComboBox1->count() - 1, QString::fromStdString(DescribeDrive(*found)),
                             Qt::ToolTipRole);
  }
}

// The watcher calls from its own thread; the window hears of it on its own, through the delay.
void TForm1::WatchDrives(const TWatchDrives& watch) {
  DriveChangeDelay = new QTimer(this);
  DriveChangeDelay->setSingleShot(true);
  DriveChangeDelay->setInterval(DriveChangeDelayMs);
  connect(DriveChangeDelay, &QTimer::timeout, this, &TForm1::DrivesChanged);
  const auto changed = [this] {
    QMetaObject::invokeMethod(
        this, [this] { DriveChangeDelay->start(); }, Qt::QueuedConnection);
  };
  DriveWatcher = (watch ? watch : TWatchDrives(WatchDriveChanges))(changed);
}

// Cards came or went: the list is read again and the selection follows its entry by name. Not
// while the list is open, where the user is choosing from what it shows: it is read once it
// has closed. A running job is not affected; it took its volume when it started.
void TForm1::DrivesChanged() {
  if (ComboBox1->DroppedDown()) {
    DriveChangeDelay->start();
    return;
  }
  const TDriveListState next = FollowDrives(ShownDrives(), ListDrives());
  ComboBox1->clear();
  FillDriveList(next.Entries);
  ComboBox1->setCurrentIndex(next.Selected);
}

TDriveListState TForm1::ShownDrives() const {
  TDriveListState shown{{}, ComboBox1->currentIndex()};
  for (int index = 0; index < ComboBox1->count(); ++index)
    shown.Entries.push_back(ComboBox1->itemText(index).toStdString());
  return shown;
}

// Runs before the window is first shown, so "no removable disk" comes up on its own.
void TForm1::FormCreate() {
  SectorBuf.fill(0);
  const std::vector<std::string> entries = ListDrives();
  if (entries.empty()) ShowMessage(NoRemovableDiskMessage);
  FillDriveList(entries);
  ComboBox1->setCurrentIndex(0);
}

// The list is read afresh each time it opens, so a card inserted since start-up shows up.
void TForm1::ComboBox1DropDown() {
  ComboBox1->clear();
  FillDriveList(ListDrives());
  ComboBox1->setCurrentIndex(-1);
}

void TForm1::ComboBox1Click() {
  LastDriveIndex = ComboBox1->currentIndex();
}

// Closed without a pick: back to the entry last picked, or none when the refreshed list no
// longer reaches it.
void TForm1::ComboBox1CloseUp() {
  if (ComboBox1->currentIndex() == -1) ComboBox1->setCurrentIndex(LastDriveIndex);
}

void TForm1::SpeedButton2Click() {
  OpenSegmentFile(TSegment::One);
}
void TForm1::SpeedButton1Click() {
  OpenSegmentFile(TSegment::Two);
}
void TForm1::SpeedButton4Click() {
  StartWrite(TSegment::One);
}
void TForm1::SpeedButton3Click() {
  StartWrite(TSegment::Two);
}

void TForm1::Label7Click() {
  OpenUrl(QUrl(QString::fromUtf8(SupportUrl)));
}

// The segment's file is the one whose header was checked: a later pick that is not checked
// (wrong ending, cannot be opened) stays in the dialog for next time but never reaches the card.
void TForm1::OpenSegmentFile(TSegment which) {
  TSlotControls& controls = SlotFor(which);
  TSegmentSlot& segment = SegmentFor(which);
  if (!controls.OpenDialog->Execute()) return;
  const QString path = controls.OpenDialog->FileName();
  if (!path.endsWith(QStringLiteral(".wav"), Qt::CaseSensitive)) return;
  const TWavCheck check = CheckWavHeader(FileSystemName(path));
  if (check.Problem == TWavCheck::TProblem::CannotOpen) {
    Messages->ShowError(
        QString::fromLocal8Bit(CannotOpenFileText(FileSystemName(path), check.Error.message())));
    return;
  }
  if (check.Problem == TWavCheck::TProblem::NotWav) ShowMessage(NotWavMessage);
  const std::uint32_t length = check.DeclaredLength;
  segment.File = FileSystemName(path);
  segment.DeclaredLength = length;
  if (length != 0) segment.Armed = true;
  if (length > MaxDeclaredLength) {
    ShowMessage(WavTooLargeMessage);
    return;
  }
  controls.StatusLabel->setText(QString());
  controls.PathLabel->setText(QStringLiteral("路径:") + path);
}

// A slot armed earlier whose latest file then failed its check (length 0) or drew the size
// message holds nothing the card can take.
bool TForm1::RefuseWrite(const TSegmentSlot& segment) {
  if (ListDrives().empty()) {
    ShowMessage(NoRemovableDiskMessage);
  } else if (!segment.Armed || segment.DeclaredLength == 0) {
    ShowMessage(OpenWavFirstMessage);
  } else if (segment.DeclaredLength > MaxDeclaredLength) {
    ShowMessage(WavTooLargeMessage);
  } else {
    return false;
  }
  return true;
}

// Locks the four buttons and starts the job, which unlocks them at whatever ending it reaches.
void TForm1::StartWrite(TSegment which) {
  const TSegmentSlot& segment = SegmentFor(which);
  if (RefuseWrite(segment)) return;
  TLabel& status = *SlotFor(which).StatusLabel;
  SetTextColor(status, Qt::black);
  status.setText(QStringLiteral("正在写入SD卡...."));
  for (TSpeedButton* button : {SpeedButton1, SpeedButton2, SpeedButton3, SpeedButton4})
    button->setEnabled(false);
  WriteMode = which;
  Job.reset();  // the previous job has ended (the buttons were enabled): join it
  const int selected = ComboBox1->currentIndex();
  const std::string volumePath =
      VolumePathFor(selected < 0 ? std::string() : ComboBox1->itemText(selected).toStdString());
  Presenter = std::make_unique<TJobPresenter>(JobWindow, Platform, WriteMode, volumePath);
  Job = std::make_unique<TReadWriteThread>(TWriteRequest{volumePath, WriteMode, segment},
                                           *Presenter, Platform, SectorBuf);
}

}  // namespace vorlane
