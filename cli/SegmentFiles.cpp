#include "cli/SegmentFiles.h"

#include "card/Texts.h"
#include "card/WavFile.h"
#include "cli/Usage.h"

namespace vorlane::cli {
namespace {

TSegmentChoice CheckFile(TSegment segment, const std::string& path) {
  const TWavCheck check = CheckWavHeader(path);
  if (check.Problem == TWavCheck::TProblem::CannotOpen)
    throw TUsageError(CannotOpenFileText(path, check.Error));
  if (check.Problem == TWavCheck::TProblem::NotWav) throw TUsageError(path + ": " + NotWavText);
  if (!IsWritableLength(check.DeclaredLength)) throw TUsageError(path + ": " + WavTooLargeText);
  return {segment, {path, check.DeclaredLength, true}};
}

}  // namespace

std::vector<TSegmentChoice> CheckSegmentFiles(const std::optional<std::string>& segment1,
                                              const std::optional<std::string>& segment2) {
  if (!segment1 && !segment2)
    throw TUsageError("no WAV file given: -1 FILE for segment 1, -2 FILE for segment 2");
  std::vector<TSegmentChoice> choices;
  if (segment1) choices.push_back(CheckFile(TSegment::One, *segment1));
  if (segment2) choices.push_back(CheckFile(TSegment::Two, *segment2));
  return choices;
}

}  // namespace vorlane::cli
