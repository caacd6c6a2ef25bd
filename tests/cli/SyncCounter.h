// The test program is linked with -Wl,--wrap=fsync: every fsync it makes comes here first, to be
// counted, and failed where a test asks, as a full or failing disk fails it.
#pragma once

namespace vorlane::testing {

int FsyncCalls();
// The next passing calls succeed, every later one fails with EIO; negative: none fails.
void FailFsyncAfter(int passing);

}  // namespace vorlane::testing
