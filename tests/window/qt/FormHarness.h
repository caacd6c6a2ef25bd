// A TForm1 with everything outside it scripted: the drive list and its events, the open
// dialogs, the message boxes, the card and the browser.
#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/card/FakeVolume.h"
#include "window/qt/TForm1.h"

namespace vorlane::testing {

// A control of the window by its object name ("SpeedButton4", "ComboBox1"); throws when the
// window has none of that name and kind, which fails the test.
template <typename TControl = QWidget>
TControl* Control(const QObject& form, const char* name) {
  auto* control = form.findChild<TControl*>(QString::fromLatin1(name));
  if (!control) throw std::logic_error(std::string("no control ") + name);
  return control;
}

class TScriptedDialog final : public TOpenDialog {
 public:
  // Each Execute takes the next answer: a file name, or an empty string for Cancel.
  std::deque<QString> Answers;
  bool Execute() override;
  QString FileName() const override { return Name; }

 private:
  QString Name;
};

class TRecordedBoxes final : public TMessageBoxes {
 public:
  explicit TRecordedBoxes(std::vector<QString>& log) : Log(log) {}
  void ShowMessage(const QString& text) override { Log.push_back(text); }
  void ShowError(const QString& text) override { Log.push_back(QStringLiteral("error: ") + text); }

 private:
  std::vector<QString>& Log;
};

// Stands in for the system's drive watcher: a test announces a change, from any thread, as
// the watcher's own thread would.
class TFakeDriveEvents {
 public:
  std::unique_ptr<TDriveWatcher> Watch(std::function<void()> changed);
  void Announce();
  bool Watching() const;

 private:
  class TWatcher;
  mutable std::mutex Lock;
  std::function<void()> Changed;
};

struct TFormHarness {
  std::vector<std::string> Drives{"sdb1"};
  std::vector<TDriveDetails> Details;
  int DriveListings = 0;  // how often the window read the drive list
  TFakeDriveEvents DriveEvents;
  std::vector<QString> Boxes;
  std::vector<QUrl> OpenedUrls;
  TFakeCard Card;
  TRecorder Platform{Card};
  TScriptedDialog* Dialog1 = nullptr;
  TScriptedDialog* Dialog2 = nullptr;

  // Services for one form; the harness must outlive it.
  TFormServices Services();
};

}  // namespace vorlane::testing
