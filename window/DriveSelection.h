// Which drive list entry is selected once the list has been read again because cards came or
// went. An entry is followed by its name: indexes move when a reader appears before it.
#pragma once

#include <string>
#include <vector>

namespace vorlane {

struct TDriveListState {
  std::vector<std::string> Entries;
  int Selected = -1;  // index into Entries; -1 for none
};

// The list as it is after `entries` were read:
// - the selected entry stays selected wherever it now is;
// - when the list was empty, the first card that arrives is selected;
// - when the selected card has gone, nothing is selected (not its neighbour: a write would
//   then go to a card the user never picked).
TDriveListState FollowDrives(const TDriveListState& shown, std::vector<std::string> entries);

}  // namespace vorlane
