#pragma once

#include <filesystem>
#include <string>

#include "drives/Platform.h"

namespace vorlane::testing {

// Runs the real job twice on a real volume: a file of 1 MiB + 300 bytes to segment 1 and one of
// 5,000 bytes to segment 2. Then checks the card image behind the drive entry: the test pattern
// at sector 8190, each segment padded with 0x80 to one sector past its length, and the sectors
// around them untouched.
void WriteBothSegmentsAndCheckImage(const std::string& driveEntry, TPlatform& platform,
                                    const std::filesystem::path& image);

}  // namespace vorlane::testing
