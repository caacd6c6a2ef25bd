#include "tests/window/FormHarness.h"

namespace vorlane::testing {

bool TScriptedDialog::Execute() {
  if (Answers.empty()) return false;
  const QString answer = Answers.front();
  Answers.pop_front();
  if (answer.isEmpty()) return false;
  Name = answer;
  return true;
}

TFormServices TFormHarness::Services() {
  auto first = std::make_unique<TScriptedDialog>();
  auto second = std::make_unique<TScriptedDialog>();
  Dialog1 = first.get();
  Dialog2 = second.get();
  TFormServices services;
  services.OpenDialog1 = std::move(first);
  services.OpenDialog2 = std::move(second);
  services.GetRemovableDrives = [this] { return Drives; };
  services.Messages = std::make_unique<TRecordedBoxes>(Boxes);
  services.Platform = &Platform;
  services.OpenUrl = [this](const QUrl& url) { OpenedUrls.push_back(url); };
  return services;
}

}  // namespace vorlane::testing
