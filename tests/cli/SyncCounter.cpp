#include "tests/cli/SyncCounter.h"

#include <atomic>
#include <cerrno>

namespace {

std::atomic<int> Calls = 0;
std::atomic<int> FailingFrom = -1;  // the call count from which calls fail

}  // namespace

extern "C" int __real_fsync(int fd);

extern "C" int __wrap_fsync(int fd) {
  const int call = Calls++;
  if (FailingFrom < 0 || call < FailingFrom) return __real_fsync(fd);
  errno = EIO;
  return -1;
}

namespace vorlane::testing {

int FsyncCalls() {
  return Calls;
}

void FailFsyncAfter(int passing) {
  FailingFrom = passing < 0 ? -1 : Calls + passing;
}

}  // namespace vorlane::testing
