#include "tests/window/RecordingView.h"

#include <algorithm>

namespace vorlane::testing {

std::vector<std::string> TRecordingView::Entries() const {
  std::vector<std::string> entries;
  for (const TShownDrive& drive : Drives) entries.push_back(drive.Entry);
  return entries;
}

bool TRecordingView::AllButtons(bool enabled) const {
  return std::all_of(ButtonsEnabled.begin(), ButtonsEnabled.end(),
                     [enabled](bool button) { return button == enabled; });
}

void TRecordingView::ClearDriveList() {
  Drives.clear();
  Selected = -1;
}

void TRecordingView::AddDrive(const std::string& entry, const std::string& details) {
  Drives.push_back({entry, details});
}

std::string TRecordingView::DriveText(int index) const {
  return Drives.at(static_cast<std::size_t>(index)).Entry;
}

void TRecordingView::SelectDrive(int index) {
  Selected = index >= 0 && index < DriveCount() ? index : -1;
}

std::optional<std::string> TRecordingView::RunOpenDialog(TSegment segment) {
  auto& answers = DialogAnswers[SlotIndex(segment)];
  if (answers.empty()) return std::nullopt;
  std::optional<std::string> answer = answers.front();
  answers.pop_front();
  return answer;
}

void TRecordingView::SetPathText(TSegment segment, const std::string& text) {
  PathTexts[SlotIndex(segment)] = text;
}

void TRecordingView::SetStatusText(TSegment segment, const std::string& text) {
  StatusTexts[SlotIndex(segment)] = text;
}

void TRecordingView::SetStatusColor(TSegment segment, TColor color) {
  StatusColors[SlotIndex(segment)] = color;
}

void TRecordingView::SetButtonEnabled(TButton button, bool enabled) {
  ButtonsEnabled.at(ButtonIndex(button)) = enabled;
}

void TRecordingView::PostToWindowThread(std::function<void()> change) {
  {
    std::lock_guard lock(Lock);
    Waiting.push_back(std::move(change));
  }
  Posted.notify_all();
}

void TRecordingView::RunPosted() {
  RunPostedUntil([] { return true; }, std::chrono::milliseconds(0));
}

bool TRecordingView::RunPostedUntil(const std::function<bool()>& done,
                                    std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::unique_lock lock(Lock);
  for (;;) {
    while (!Waiting.empty()) {
      std::function<void()> change = std::move(Waiting.front());
      Waiting.pop_front();
      lock.unlock();
      change();
      lock.lock();
    }
    if (done()) return true;
    if (Posted.wait_until(lock, deadline) == std::cv_status::timeout && Waiting.empty())
      return done();
  }
}

std::size_t TRecordingView::PostedWaiting() const {
  std::lock_guard lock(Lock);
  return Waiting.size();
}

}  // namespace vorlane::testing
