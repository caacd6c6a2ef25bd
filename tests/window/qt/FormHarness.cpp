#include "tests/window/qt/FormHarness.h"

namespace vorlane::testing {

bool TScriptedDialog::Execute() {
  if (Answers.empty()) return false;
  const QString answer = Answers.front();
  Answers.pop_front();
  if (answer.isEmpty()) return false;
  Name = answer;
  return true;
}

class TFakeDriveEvents::TWatcher final : public TDriveWatcher {
 public:
  explicit TWatcher(TFakeDriveEvents& events) : Events(events) {}
  ~TWatcher() override {
    std::lock_guard lock(Events.Lock);
    Events.Changed = nullptr;
  }

 private:
  TFakeDriveEvents& Events;
};

std::unique_ptr<TDriveWatcher> TFakeDriveEvents::Watch(std::function<void()> changed) {
  std::lock_guard lock(Lock);
  Changed = std::move(changed);
  return std::make_unique<TWatcher>(*this);
}

void TFakeDriveEvents::Announce() {
  std::lock_guard lock(Lock);
  if (Changed) Changed();
}

bool TFakeDriveEvents::Watching() const {
  std::lock_guard lock(Lock);
  return static_cast<bool>(Changed);
}

TFormServices TFormHarness::Services() {
  auto first = std::make_unique<TScriptedDialog>();
  auto second = std::make_unique<TScriptedDialog>();
  Dialog1 = first.get();
  Dialog2 = second.get();
  TFormServices services;
  services.OpenDialog1 = std::move(first);
  services.OpenDialog2 = std::move(second);
  services.GetRemovableDrives = [this] {
    ++DriveListings;
    return Drives;
  };
  services.GetRemovableDriveDetails = [this] { return Details; };
  services.WatchDriveChanges = [this](std::function<void()> changed) {
    return DriveEvents.Watch(std::move(changed));
  };
  services.Messages = std::make_unique<TRecordedBoxes>(Boxes);
  services.Platform = &Platform;
  services.OpenUrl = [this](const QUrl& url) { OpenedUrls.push_back(url); };
  return services;
}

}  // namespace vorlane::testing
