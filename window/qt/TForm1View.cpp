// What the behaviour changes and reads in the Qt window, and the drive watcher's plumbing.
// Every call but PostToWindowThread comes on the window's thread.
#include <QMetaObject>
#include <QTimer>

#include "window/qt/Look.h"
#include "window/qt/TComboBox.h"
#include "window/qt/TForm1.h"
#include "window/qt/TGauge.h"
#include "window/qt/TLabel.h"
#include "window/qt/TSpeedButton.h"

namespace vorlane {
namespace {

// Inserting a card gives several kernel events (the disk, its partitions, the media change);
// the list is read once they have died down.
constexpr int DriveChangeDelayMs = 300;

}  // namespace

// Drive events stop first. A running job is stopped at its next sector and waited for; the
// closing window hears nothing more of it.
TForm1::~TForm1() {
  DriveWatcher.reset();
  FormBehaviour.reset();
}

TSpeedButton* TForm1::SpeedButton(TButton button) const {
  const std::array<TSpeedButton*, 4> buttons{SpeedButton1, SpeedButton2, SpeedButton3,
                                             SpeedButton4};
  return buttons.at(ButtonIndex(button));
}

TOpenDialog* TForm1::OpenDialog(int number) const {
  return number == 1 ? OpenDialog1.get() : OpenDialog2.get();
}

void TForm1::ClearDriveList() {
  ComboBox1->clear();
}

// The details show as the entry's tooltip.
void TForm1::AddDrive(const std::string& entry, const std::string& details) {
  ComboBox1->addItem(QString::fromStdString(entry));
  if (!details.empty())
    ComboBox1->setItemData(ComboBox1->count() - 1, QString::fromStdString(details),
                           Qt::ToolTipRole);
}

int TForm1::DriveCount() const {
  return ComboBox1->count();
}

std::string TForm1::DriveText(int index) const {
  return ComboBox1->itemText(index).toStdString();
}

int TForm1::SelectedDrive() const {
  return ComboBox1->currentIndex();
}

void TForm1::SelectDrive(int index) {
  ComboBox1->setCurrentIndex(index < ComboBox1->count() ? index : -1);
}

bool TForm1::DriveListOpen() const {
  return ComboBox1->DroppedDown();
}

std::optional<std::string> TForm1::RunOpenDialog(TSegment segment) {
  TOpenDialog& dialog = *SlotFor(segment).OpenDialog;
  if (!dialog.Execute()) return std::nullopt;
  return dialog.FileName().toStdString();
}

void TForm1::SetPathText(TSegment segment, const std::string& text) {
  SlotFor(segment).PathLabel->setText(QString::fromStdString(text));
}

void TForm1::SetStatusText(TSegment segment, const std::string& text) {
  SlotFor(segment).StatusLabel->setText(QString::fromStdString(text));
}

void TForm1::SetStatusColor(TSegment segment, TColor color) {
  SetTextColor(*SlotFor(segment).StatusLabel, QColor(color.R, color.G, color.B));
}

void TForm1::SetButtonEnabled(TButton button, bool enabled) {
  SpeedButton(button)->setEnabled(enabled);
}

void TForm1::SetProgress(int percent) {
  Gauge1->SetProgress(percent);
}

void TForm1::ShowMessage(const std::string& text) {
  Messages->ShowMessage(QString::fromStdString(text));
}

void TForm1::ShowError(const std::string& text) {
  Messages->ShowError(QString::fromStdString(text));
}

void TForm1::OpenUrl(const std::string& url) {
  Browse(QUrl(QString::fromStdString(url)));
}

// Queued to this window: applied when its event loop runs, dropped when it has gone.
void TForm1::PostToWindowThread(std::function<void()> change) {
  QMetaObject::invokeMethod(this, std::move(change), Qt::QueuedConnection);
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

// An open list holds the refresh back: it is tried again after another delay.
void TForm1::DrivesChanged() {
  if (!FormBehaviour->DrivesChanged()) DriveChangeDelay->start();
}

}  // namespace vorlane
