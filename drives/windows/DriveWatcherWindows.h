#pragma once

#include <windows.h>

namespace vorlane {

// Whether a window message says that a volume came or went, so the drive list may have
// changed: WM_DEVICECHANGE with DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE for a volume
// (lParam points at its DEV_BROADCAST_HDR). A card put into a reader, taken out, a reader
// plugged in or pulled all arrive as such.
bool IsDriveListChange(UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace vorlane
