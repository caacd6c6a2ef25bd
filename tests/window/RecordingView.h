// A window without a toolkit: it keeps what the behaviour shows in plain fields, answers its
// open dialogs from a script, records its boxes, and holds posted changes until the test,
// standing in for the window's event loop, applies them.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "window/SlotWiring.h"
#include "window/TFormView.h"

namespace vorlane::testing {

struct TShownDrive {
  std::string Entry;
  std::string Details;
  friend bool operator==(const TShownDrive&, const TShownDrive&) = default;
};

class TRecordingView final : public TFormView {
 public:
  // Each RunOpenDialog of a segment takes the next answer: a path, or nothing for Cancel.
  std::array<std::deque<std::optional<std::string>>, 2> DialogAnswers;
  std::vector<TShownDrive> Drives;
  int Selected = -1;
  bool ListOpen = false;
  std::array<std::string, 2> PathTexts, StatusTexts;
  std::array<TColor, 2> StatusColors{};
  std::array<bool, 4> ButtonsEnabled{true, true, true, true};
  int Progress = 0;
  std::vector<std::string> Boxes;  // messages as they are, the error box as "error: " + text
  std::vector<std::string> OpenedUrls;

  std::vector<std::string> Entries() const;
  bool AllButtons(bool enabled) const;
  // Applies the posted changes, as the window's event loop would, until done() holds; false
  // when it still does not after timeout.
  bool RunPostedUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10));
  void RunPosted();  // what has been posted so far
  std::size_t PostedWaiting() const;

  void ClearDriveList() override;
  void AddDrive(const std::string& entry, const std::string& details) override;
  int DriveCount() const override { return static_cast<int>(Drives.size()); }
  std::string DriveText(int index) const override;
  int SelectedDrive() const override { return Selected; }
  void SelectDrive(int index) override;
  bool DriveListOpen() const override { return ListOpen; }
  std::optional<std::string> RunOpenDialog(TSegment segment) override;
  void SetPathText(TSegment segment, const std::string& text) override;
  void SetStatusText(TSegment segment, const std::string& text) override;
  void SetStatusColor(TSegment segment, TColor color) override;
  void SetButtonEnabled(TButton button, bool enabled) override;
  void SetProgress(int percent) override { Progress = percent; }
  void ShowMessage(const std::string& text) override { Boxes.push_back(text); }
  void ShowError(const std::string& text) override { Boxes.push_back("error: " + text); }
  void OpenUrl(const std::string& url) override { OpenedUrls.push_back(url); }
  void PostToWindowThread(std::function<void()> change) override;

 private:
  mutable std::mutex Lock;
  std::condition_variable Posted;
  std::deque<std::function<void()>> Waiting;
};

}  // namespace vorlane::testing
