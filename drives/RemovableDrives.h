#pragma once

#include <string>
#include <vector>

namespace vorlane {

// The drive list's entries: the removable drives that can hold a card, in the order the list
// shows them. An entry's raw volume is VolumePathFor(entry). Empty when there is none.
std::vector<std::string> GetRemovableDrives();

}  // namespace vorlane
