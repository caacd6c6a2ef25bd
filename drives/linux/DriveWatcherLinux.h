// Kernel uevents tell when block devices come, go or change. They arrive on a netlink socket
// that needs no daemon and no privilege, so the drive list can follow cards on any Linux.
#pragma once

#include <string_view>

namespace vorlane {

// Whether one kernel uevent message ("change@/devices/...\0ACTION=change\0SUBSYSTEM=block\0...")
// may change the drive list: a disk or partition that came, went, changed (a card put into or
// taken out of a reader) or was renamed.
bool IsDriveListEvent(std::string_view message);

}  // namespace vorlane
