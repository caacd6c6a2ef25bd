#include "window/DriveSelection.h"

#include <algorithm>

namespace vorlane {

TDriveListState FollowDrives(const TDriveListState& shown, std::vector<std::string> entries) {
  TDriveListState next{std::move(entries), -1};
  if (shown.Entries.empty()) {
    if (!next.Entries.empty()) next.Selected = 0;
    return next;
  }
  if (shown.Selected < 0 || shown.Selected >= static_cast<int>(shown.Entries.size())) return next;
  const auto found = std::find(next.Entries.begin(), next.Entries.end(),
                               shown.Entries[static_cast<std::size_t>(shown.Selected)]);
  if (found != next.Entries.end()) next.Selected = static_cast<int>(found - next.Entries.begin());
  return next;
}

}  // namespace vorlane
