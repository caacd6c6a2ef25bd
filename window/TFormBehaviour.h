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
  void SpeedButton1Click() { OpenSegmentFile(TSegment::Two); }
  void SpeedButton2Click() { OpenSegmentFile(TSegment::One); }
  void SpeedButton3Click() { StartWrite(TSegment::Two); }
  void SpeedButton4Click() { StartWrite(TSegment::One); }
  void Label7Click();
  // Cards came or went: the list is read again and the selection follows its entry by name.
  // False, with nothing changed, while the list is open: call again once it may have closed.
  bool DrivesChanged();

  const TSegmentSlot& Segment(TSegment segment) const { return Segments[IndexOf(segment)]; }
  const TSector& SectorBuffer() const { return SectorBuf; }
  TSegment LastWriteMode() const { return WriteMode; }
  int LastPickedIndex() const { return LastDriveIndex; }

 private:
  static std::size_t IndexOf(TSegment segment) { return segment == TSegment::Two ? 1 : 0; }
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

  // Segments[0] is segment 1, Segments[1] segment 2: file, declared length, armed flag.
  std::array<TSegmentSlot, 2> Segments{};
  TSector SectorBuf{};  // lent to the write job; only one job runs at a time
  TSegment WriteMode = TSegment::One;
  int LastDriveIndex = 0;                    // the drive list index the user last picked
  std::unique_ptr<TJobPresenter> Presenter;  // of the last job; outlives it
  std::unique_ptr<TReadWriteThread> Job;     // the last job started, finished or not
};

}  // namespace vorlane
