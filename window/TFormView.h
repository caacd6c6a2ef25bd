// The window as its behaviour sees it: the controls it changes and reads, the dialogs and boxes
// it shows, and the hand-off to the window's thread. Each toolkit implements it with its own
// controls; tests with a recording view. Texts and paths are UTF-8.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "card/CardLayout.h"
#include "window/WindowEffects.h"

namespace vorlane {

class TFormView {
 public:
  virtual ~TFormView() = default;

  // The drive list (ComboBox1). Selecting an index outside the list selects nothing.
  virtual void ClearDriveList() = 0;
  virtual void AddDrive(const std::string& entry, const std::string& details) = 0;
  virtual int DriveCount() const = 0;
  virtual std::string DriveText(int index) const = 0;
  virtual int SelectedDrive() const = 0;  // -1 for none
  virtual void SelectDrive(int index) = 0;
  virtual bool DriveListOpen() const = 0;

  // A segment's panel: its open dialog (the confirmed path, or nothing for Cancel), its path
  // and status labels.
  virtual std::optional<std::string> RunOpenDialog(TSegment segment) = 0;
  virtual void SetPathText(TSegment segment, const std::string& text) = 0;
  virtual void SetStatusText(TSegment segment, const std::string& text) = 0;
  virtual void SetStatusColor(TSegment segment, TColor color) = 0;

  virtual void SetButtonEnabled(TButton button, bool enabled) = 0;
  virtual void SetProgress(int percent) = 0;
  virtual void ShowMessage(const std::string& text) = 0;
  virtual void ShowError(const std::string& text) = 0;  // the error box
  virtual void OpenUrl(const std::string& url) = 0;

  // Runs change later on the window's thread, in the order posted; callable from any thread.
  // Changes still waiting when the window goes are dropped with it.
  virtual void PostToWindowThread(std::function<void()> change) = 0;
};

}  // namespace vorlane
