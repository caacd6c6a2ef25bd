#include "window/TFormBehaviour.h"

#include <algorithm>
#include <iostream>

#include "card/Texts.h"
#include "card/WavFile.h"
#include "window/DriveSelection.h"
#include "window/SupportLink.h"

namespace vorlane {
namespace {

void LogToStandardError(const std::string& line) {
  std::cerr << line << std::endl;
}

// The header check, in the one place the window calls it: its length, 0 when it showed the
// "not a WAV file" message, or nothing when the file could not be opened (the error box shown).
std::optional<std::uint32_t> CheckChosenFile(TFormView& view, const std::string& path) {
  const TWavCheck check = CheckWavHeader(path);
  if (check.Problem == TWavCheck::TProblem::CannotOpen) {
    view.ShowError(CannotOpenFileText(path, check.Error));
    return std::nullopt;
  }
  if (check.Problem == TWavCheck::TProblem::NotWav) view.ShowMessage(NotWavText);
  return check.DeclaredLength;
}

}  // namespace

TFormBehaviour::TFormBehaviour(TFormView& view, TBehaviourServices services)
    : View(view),
      ListDrives(services.GetRemovableDrives ? std::move(services.GetRemovableDrives)
                                             : GetRemovableDrives),
      ListDriveDetails(services.GetRemovableDriveDetails
                           ? std::move(services.GetRemovableDriveDetails)
                           : GetRemovableDriveDetails),
      Platform(services.Platform ? *services.Platform : SystemPlatform()),
      LogJobFailure(services.LogJobFailure ? std::move(services.LogJobFailure)
                                           : LogToStandardError) {}

TFormBehaviour::~TFormBehaviour() {
  if (Presenter) Presenter->Detach();
  Job.reset();
}

// Each entry's text is the system's name; its details tell cards apart by size and reader.
void TFormBehaviour::FillDriveList(const std::vector<std::string>& entries) {
  const std::vector<TDriveDetails> details = ListDriveDetails();
  for (const std::string& entry : entries) {
    const auto found =
        std::find_if(details.begin(), details.end(),
                     [&](const TDriveDetails& drive) { return drive.Entry == entry; });
    View.AddDrive(entry, found != details.end() ? DescribeDrive(*found) : std::string());
  }
}

// Runs before the window is first shown, so "no removable disk" comes up on its own.
void TFormBehaviour::FormCreate() {
  SectorBuf.fill(0);
  const std::vector<std::string> entries = ListDrives();
  if (entries.empty()) View.ShowMessage(NoRemovableDiskText);
  FillDriveList(entries);
  View.SelectDrive(0);
}

// The list is read afresh each time it opens, so a card inserted since start-up shows up.
void TFormBehaviour::ComboBox1DropDown() {
  View.ClearDriveList();
  FillDriveList(ListDrives());
  View.SelectDrive(-1);
}

void TFormBehaviour::ComboBox1Click() {
  LastDriveIndex = View.SelectedDrive();
}

// Closed without a pick: back to the entry last picked, or none when the refreshed list no
// longer reaches it.
void TFormBehaviour::ComboBox1CloseUp() {
  if (View.SelectedDrive() == -1) View.SelectDrive(LastDriveIndex);
}

void TFormBehaviour::Label7Click() {
  View.OpenUrl(SupportUrl);
}

// Not while the list is open, where the user is choosing from what it shows. A running job is
// not affected; it took its volume when it started.
bool TFormBehaviour::DrivesChanged() {
  if (View.DriveListOpen()) return false;
  TDriveListState shown{{}, View.SelectedDrive()};
  for (int index = 0; index < View.DriveCount(); ++index)
    shown.Entries.push_back(View.DriveText(index));
  const TDriveListState next = FollowDrives(shown, ListDrives());
  View.ClearDriveList();
  FillDriveList(next.Entries);
  View.SelectDrive(next.Selected);
  return true;
}

void TFormBehaviour::ButtonClick(TButton button) {
  for (const TSlotWiring& slot : SlotWiring) {
    if (button == slot.OpenButton) return OpenSegmentFile(slot.Segment);
    if (button == slot.WriteButton) return StartWrite(slot.Segment);
  }
}

// The segment's file is the one whose header was checked: a later pick that is not checked
// (wrong ending, cannot be opened) stays in the dialog for next time but never reaches the card.
void TFormBehaviour::OpenSegmentFile(TSegment which) {
  const std::optional<std::string> path = View.RunOpenDialog(which);
  if (!path || !path->ends_with(".wav")) return;
  const std::optional<std::uint32_t> length = CheckChosenFile(View, *path);
  if (!length) return;
  TSegmentSlot& segment = Segments[SlotIndex(which)];
  segment.File = *path;
  segment.DeclaredLength = *length;
  if (*length != 0) segment.Armed = true;
  if (*length > MaxDeclaredLength) {
    View.ShowMessage(WavTooLargeText);
    return;
  }
  View.SetStatusText(which, "");
  View.SetPathText(which, PathPrefixText + *path);
}

// A slot armed earlier whose latest file then failed its check (length 0) or drew the size
// message holds nothing the card can take.
bool TFormBehaviour::RefuseWrite(const TSegmentSlot& segment) {
  if (ListDrives().empty()) {
    View.ShowMessage(NoRemovableDiskText);
  } else if (!segment.Armed || segment.DeclaredLength == 0) {
    View.ShowMessage(OpenWavFirstText);
  } else if (segment.DeclaredLength > MaxDeclaredLength) {
    View.ShowMessage(WavTooLargeText);
  } else {
    return false;
  }
  return true;
}

std::string TFormBehaviour::SelectedDriveEntry() const {
  const int selected = View.SelectedDrive();
  return selected < 0 ? std::string() : View.DriveText(selected);
}

// Locks the four buttons and starts the job, which unlocks them at whatever ending it reaches.
void TFormBehaviour::StartWrite(TSegment which) {
  const TSegmentSlot& segment = Segments[SlotIndex(which)];
  if (RefuseWrite(segment)) return;
  View.SetStatusColor(which, StatusBlack);
  View.SetStatusText(which, WritingText);
  for (TButton button : AllButtons) View.SetButtonEnabled(button, false);
  WriteMode = which;
  Job.reset();  // the previous job has ended (the buttons were enabled): join it
  const std::string volumePath = VolumePathFor(SelectedDriveEntry());
  Presenter =
      std::make_unique<TJobPresenter>(JobWindow, Platform, WriteMode, volumePath, LogJobFailure);
  Job = std::make_unique<TReadWriteThread>(TWriteRequest{volumePath, WriteMode, segment},
                                           *Presenter, Platform, SectorBuf);
}

}  // namespace vorlane
