// The desktop's disk service, UDisks2 on the system bus, asked with blocking calls on the job's
// thread. Every failure comes back as an error of DiskServiceCategory() carrying the D-Bus
// error's name and message.
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
  std::error_code ResolveDevice(const std::string& devicePath, std::string& object);
  // Every block device the service knows, with what the unmount decision needs.
  std::error_code ListBlocks(std::vector<TServiceBlock>& blocks);
  // Unmounts a file system, never by force. May ask the user for a password first.
  std::error_code Unmount(const std::string& object);
  // Opens a block device for reading and writing with the given open(2) flags; the caller
  // owns the descriptor. May ask the user for a password first.
  std::error_code OpenDevice(const std::string& object, int flags, int& fd);

 private:
  sd_bus* Bus = nullptr;
  std::error_code ConnectError;
};

}  // namespace vorlane
