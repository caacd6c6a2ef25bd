// Card readers that stay plugged in: a card going in or out changes nothing the kernel shows
// (size, partitions, medium number) until something opens the disk, and the kernel's own
// polling, which desktops switch on, is not answered by every reader. Opening the disk has the
// kernel ask the reader; desktops' disk services once opened every reader every few seconds for
// this, and the drive watcher does the same.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <mutex>
#include <set>

#include "drives/RemovableDrives.h"
#include "drives/linux/RemovableDrivesLinux.h"
#include "drives/linux/UDisksClient.h"

namespace vorlane {
namespace fs = std::filesystem;
namespace {

struct TMedium {
  std::uint64_t Sequence = 0;
  std::uint64_t Sectors = 0;
  friend bool operator==(const TMedium&, const TMedium&) = default;
};

std::uint64_t ReadNumber(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return LeadingNumber(line);
}

TMedium MediumOf(const fs::path& diskDir) {
  return {ReadNumber(diskDir / "diskseq"), ReadNumber(diskDir / "size")};
}

// A user who may not open disks (on a desktop, or a station whose operators open cards through
// the disk service) has the service look, without being asked for a password. A disk the
// service refuses is not asked again: the refusal will not change while the program runs.
void HaveServiceLook(const std::string& disk) {
  static std::mutex mutex;
  static std::set<std::string> refused;
  const std::lock_guard lock(mutex);
  if (refused.contains(disk)) return;
  static TUDisksClient service;
  const TServiceFailure failure = service.LookAtMedium(disk);
  const TDiskServiceAnswer answer = AnswerOf(failure.Code);
  if (answer == TDiskServiceAnswer::NotAuthorized || answer == TDiskServiceAnswer::ServiceMissing)
    refused.insert(disk);
}

// O_NONBLOCK opens a reader with no card in it too; the kernel looks at the medium either way.
void OpenToLook(const std::string& disk) {
  const int fd = open(("/dev/" + disk).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) {
    close(fd);
  } else if (errno == EACCES || errno == EPERM) {
    HaveServiceLook(disk);
  }
}

}  // namespace

bool IsReaderToAsk(const TDiskAttributes& disk) {
  // A built-in slot's driver makes a disk for each card and removes it with the card.
  return IsCardDrive(disk) && disk.Removable && disk.Bus != "mmc";
}

bool LookForNewMediaUnder(const fs::path& sysfsRoot,
                          const std::function<void(const std::string& disk)>& lookAt) {
  bool changed = false;
  std::error_code error;
  for (fs::directory_iterator it(sysfsRoot / "block", error), end; !error && it != end;
       it.increment(error)) {
    const fs::path diskDir = it->path();
    if (!IsReaderToAsk(ReadDiskAttributes(diskDir))) continue;
    const TMedium before = MediumOf(diskDir);
    lookAt(diskDir.filename().string());
    if (MediumOf(diskDir) != before) changed = true;
  }
  return changed;
}

bool LookForNewMedia() {
  return LookForNewMediaUnder("/sys", OpenToLook);
}

}  // namespace vorlane
