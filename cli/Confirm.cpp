#include "cli/Confirm.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>
#include <string>

#include "cli/CapacityCheck.h"
#include "cli/Usage.h"

namespace vorlane::cli {
namespace {

std::string WhatIsWritten(const std::vector<TSegmentChoice>& segments) {
  std::string text = "the test sector (" + std::to_string(TestSector) + ")";
  for (const TSegmentChoice& segment : segments)
    text += ", " + DescribeSegment(segment.Segment) + " (from sector " +
            std::to_string(StartSectorFor(segment.Segment)) + ")";
  return text;
}

bool IsYes(std::string answer) {
  std::transform(answer.begin(), answer.end(), answer.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return answer == "y" || answer == "yes";
}

}  // namespace

void ConfirmOverwrite(const TCommandContext& context, const std::vector<TTarget>& targets,
                      const std::string& what, bool assumeYes) {
  const bool anyDrive =
      std::any_of(targets.begin(), targets.end(), [](const TTarget& t) { return t.IsDrive; });
  if (!anyDrive || assumeYes) return;
  if (!context.InputIsTerminal)
    throw TUsageError(
        "not writing to drives without confirmation: no terminal to ask on (--yes "
        "confirms in advance); nothing written");
  context.Err << "Overwriting " << what << " on:\n";
  for (const TTarget& target : targets)
    if (target.IsDrive)
      context.Err << "  " << target.Name << "  " << target.VolumePath << "  "
                  << DescribeDrive(target.Details) << "\n";
  context.Err << "Write these cards? [y/N] " << std::flush;
  std::string answer;
  std::getline(context.In, answer);
  if (!IsYes(answer)) throw TUsageError("not confirmed; nothing written");
}

void ConfirmWrite(const TCommandContext& context, const std::vector<TTarget>& targets,
                  const std::vector<TSegmentChoice>& segments, bool assumeYes,
                  bool wholeCardFirst) {
  const std::string first = wholeCardFirst ? std::string(WholeCardWords) + ", then " : "";
  ConfirmOverwrite(context, targets, first + WhatIsWritten(segments), assumeYes);
}

}  // namespace vorlane::cli
