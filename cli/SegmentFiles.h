// The WAV files given for the segments, checked as the window checks a chosen file.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "card/CardLayout.h"
#include "card/TSegmentSlot.h"

namespace vorlane::cli {

// The files given on the command line: -1 FILE and -2 FILE.
struct TSegmentFiles {
  std::optional<std::string> Segment1;
  std::optional<std::string> Segment2;
};

struct TSegmentChoice {
  TSegment Segment = TSegment::One;
  TSegmentSlot Slot;  // the file and its declared length
};

// Checks each given file: a "WAVE" tag and a declared length from 44 bytes to the 400 MiB
// limit; the name's ending does not matter. Segment 1 comes first. Throws TUsageError naming
// the file and the window's message when one fails, or when no file is given.
std::vector<TSegmentChoice> CheckSegmentFiles(const std::optional<std::string>& segment1,
                                              const std::optional<std::string>& segment2);

}  // namespace vorlane::cli
