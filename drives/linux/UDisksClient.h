// The desktop's disk service, UDisks2 on the system bus, asked with blocking calls on the job's
// thread. Every failure comes back as a TServiceFailure: an error of DiskServiceCategory() with
// the D-Bus error's name and message, or a system error.
#pragma once

#include <string>
#include <system_error>
#include <vector>

#include "drives/linux/CardAccessPlan.h"

struct sd_bus;

namespace vorlane {

class TUDisksClient {
 public:
  TUDisksClient();  // connects to the system bus
  ~TUDisksClient();
  TUDisksClient(const TUDisksClient&) = delete;
  TUDisksClient& operator=(const TUDisksClient&) = delete;

  // The block object of a device node ("/dev/sdb1").
  TServiceFailure ResolveDevice(const std::string& devicePath, std::string& object);
  // Every block device the service knows, with what the unmount decision needs.
  TServiceFailure ListBlocks(std::vector<TServiceBlock>& blocks);
  // Unmounts a file system, never by force. May ask the user for a password first.
  TServiceFailure Unmount(const std::string& object);
  // Opens a block device for reading and writing with the given open(2) flags; the caller
  // owns the descriptor. May ask the user for a password first.
  TServiceFailure OpenDevice(const std::string& object, int flags, int& fd);
  // Has the service open a whole disk ("sdb") for reading and close it at once, never asking the
  // user anything, so the kernel looks at the reader's medium. An empty reader answers with an
  // error after it has been looked at.
  TServiceFailure LookAtMedium(const std::string& disk);

 private:
  sd_bus* Bus = nullptr;
  TServiceFailure ConnectError;
};

}  // namespace vorlane
