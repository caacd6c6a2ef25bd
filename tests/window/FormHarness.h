// A TForm1 with everything outside it scripted: the drive list, the open dialogs, the message
// boxes, the card and the browser.
#pragma once

#include <QString>
#include <QUrl>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "tests/card/FakeVolume.h"
#include "window/TForm1.h"

namespace vorlane::testing {

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

struct TFormHarness {
  std::vector<std::string> Drives{"sdb1"};
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
