// Errors answered by the desktop's disk service (UDisks2) or the bus in front of it. The D-Bus
// error name and message go with the failure into the one log line a failed job leaves, so a
// user or a support person can tell a refused password from a busy file system or a missing
// service.
#pragma once

#include <string>
#include <string_view>
#include <system_error>

namespace vorlane {

// What a D-Bus error means for writing a card.
enum class TDiskServiceAnswer {
  NotAuthorized,   // polkit said no: wrong or no password, no agent to ask, dialog dismissed
  Busy,            // a file system is in use and stays mounted
  NoSuchDevice,    // the service knows no such block device, or it went away (card pulled)
  ServiceMissing,  // no system bus, or no disk service on it
  NotMounted,      // asked to unmount what is no longer mounted: nothing left to do
  Other,
};

TDiskServiceAnswer ClassifyDBusError(std::string_view errorName);

// A failure of the disk service, the bus in front of it, or a call on the way: Code compares
// equal to std::errc::permission_denied (NotAuthorized), device_or_resource_busy (Busy) and
// no_such_device (NoSuchDevice), and Text carries the service's own words, "name: message", for
// the log line. Text is empty for a system error, whose Code says it all.
struct TServiceFailure {
  std::error_code Code;
  std::string Text;
  explicit operator bool() const { return static_cast<bool>(Code); }
};

TServiceFailure MakeDiskServiceError(std::string_view errorName, std::string_view errorMessage);

// The answer behind an error; Other for errors that do not come from the disk service.
TDiskServiceAnswer AnswerOf(std::error_code error);

const std::error_category& DiskServiceCategory();

}  // namespace vorlane
