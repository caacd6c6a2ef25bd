// What the window does, whatever toolkit draws it: the drive list rules, choosing and checking
// a segment's WAV file, the Write checks and the start of the job, and the support link. The
// toolkit's window calls the handlers from its events, on the window's thread.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "card/CardLayout.h"
#include "card/TReadWrite.h"
#include "card/TSegmentSlot.h"
#include "drives/DriveWatcher.h"
#include "drives/Platform.h"
#include "drives/RemovableDrives.h"
#include "window/JobPresenter.h"
#include "window/PostedJobWindow.h"
#include "window/SlotWiring.h"
#include "window/TFormView.h"

namespace vorlane {

// Starts watching for cards coming and going; the watcher calls its argument on a thread of its
// own, and never again once it is destroyed. Each toolkit merges a burst of calls into one
// DrivesChanged on its window's thread.
using TWatchDrives = std::function<std::unique_ptr<TDriveWatcher>(std::function<void()>)>;

// What the behaviour is given rather than finds itself, so tests can script it. Anything left
// empty is replaced by the real thing.
struct TBehaviourServices {
  std::function<std::vector<std::string>()> GetRemovableDrives;          // the list's entries
  std::function<std::vector<TDriveDetails>()> GetRemovableDriveDetails;  // their tooltips
  TPlatform* Platform = nullptr;  // volumes, beeps and pauses for the write job
  TLogLine LogJobFailure;         // standard error when empty
};

class TFormBehaviour {
 public:
  TFormBehaviour(TFormView& view, TBehaviourServices services);
  // Stops a running write job at its next sector and waits for it; nothing it reports reaches
  // the view any more.
  ~TFormBehaviour();

  void FormCreate();
  void ComboBox1DropDown();
  void ComboBox1Click();
  void ComboBox1CloseUp();
  // A button's click: the Open or the Write of the segment the slot wiring gives it.
  void ButtonClick(TButton button);
  void SpeedButton1Click() { ButtonClick(TButton::SpeedButton1); }
  void SpeedButton2Click() { ButtonClick(TButton::SpeedButton2); }
  void SpeedButton3Click() { ButtonClick(TButton::SpeedButton3); }
  void SpeedButton4Click() { ButtonClick(TButton::SpeedButton4); }
  void Label7Click();
  // Cards came or went: the list is read again and the selection follows its entry by name.
  // False, with nothing changed, while the list is open: call again once it may have closed.
  bool DrivesChanged();

  const TSegmentSlot& Segment(TSegment segment) const { return Segments[SlotIndex(segment)]; }
  const TSector& SectorBuffer() const { return SectorBuf; }
  TSegment LastWriteMode() const { return WriteMode; }
  int LastPickedIndex() const { return LastDriveIndex; }

 private:
  void OpenSegmentFile(TSegment which);
  void StartWrite(TSegment which);
  bool RefuseWrite(const TSegmentSlot& segment);
  void FillDriveList(const std::vector<std::string>& entries);
  std::string SelectedDriveEntry() const;

  TFormView& View;
  const std::function<std::vector<std::string>()> ListDrives;
  const std::function<std::vector<TDriveDetails>()> ListDriveDetails;
  TPlatform& Platform;
  const TLogLine LogJobFailure;
  TPostedJobWindow JobWindow{View};

  // Each segment's file, declared length and armed flag, in the slot wiring's order.
  std::array<TSegmentSlot, 2> Segments{};
  TSector SectorBuf{};  // lent to the write job; only one job runs at a time
  TSegment WriteMode = TSegment::One;
  int LastDriveIndex = 0;                    // the drive list index the user last picked
  std::unique_ptr<TJobPresenter> Presenter;  // of the last job; outlives it
  std::unique_ptr<TReadWriteThread> Job;     // the last job started, finished or not
};

}  // namespace vorlane
