// The selection rules as cards come and go: each reading is what the list shows after one
// (debounced) event.
#include "window/DriveSelection.h"

#include <gtest/gtest.h>

namespace vorlane {
namespace {

using TEntries = std::vector<std::string>;

// A fake event source: plays readings of the drive list one after the other, from `shown`, and
// gives the selected entry's name after each ("" for none).
std::vector<std::string> SelectedAfterEach(TDriveListState shown,
                                           const std::vector<TEntries>& readings) {
  std::vector<std::string> selected;
  for (const TEntries& reading : readings) {
    shown = FollowDrives(shown, reading);
    EXPECT_EQ(shown.Entries, reading);
    selected.push_back(shown.Selected < 0 ? "" : shown.Entries.at(shown.Selected));
  }
  return selected;
}

TEST(DriveSelection, SelectedEntryStaysSelectedByNameWhereverItMoves) {
  EXPECT_EQ(
      SelectedAfterEach({{"sdb1", "sdc1"}, 1},
                        {{"sdb1", "sdc1"}, {"sda1", "sdb1", "sdc1"}, {"sdc1"}, {"sdc1", "sdd"}}),
      (TEntries{"sdc1", "sdc1", "sdc1", "sdc1"}));
  const TDriveListState moved = FollowDrives({{"sdc1"}, 0}, {"sda", "sda1", "sdc1"});
  EXPECT_EQ(moved.Selected, 2);
}

TEST(DriveSelection, CardArrivingInAnEmptyListIsSelected) {
  EXPECT_EQ(SelectedAfterEach({{}, -1}, {{}, {"sdb", "sdb1"}, {"sdc", "sdb", "sdb1"}}),
            (TEntries{"", "sdb", "sdb"}));
}

// Not its neighbour: a write would then go to a card the user never picked.
TEST(DriveSelection, SelectedCardGoingLeavesNothingSelectedUntilTheListWasEmpty) {
  EXPECT_EQ(
      SelectedAfterEach({{"sdb1", "sdc1"}, 0}, {{"sdc1"}, {"sdb1", "sdc1"}, {}, {"sdd1", "sde1"}}),
      (TEntries{"", "", "", "sdd1"}));
}

TEST(DriveSelection, NothingSelectedStaysSoWhileTheListHasEntries) {
  EXPECT_EQ(SelectedAfterEach({{"sdb1"}, -1}, {{"sdb1", "sdc1"}, {"sdc1"}}), (TEntries{"", ""}));
}

}  // namespace
}  // namespace vorlane
