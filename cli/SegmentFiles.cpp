#include "cli/SegmentFiles.h"

#include "card/WavFile.h"
#include "cli/ResultWords.h"
#include "cli/Usage.h"

namespace vorlane::cli {
namespace {

TSegmentChoice CheckFile(TSegment segment, const std::string& path) {
  std::string message;
  std::uint32_t length = 0;
  try {
    length = CheckWavHeader(path, [&](const std::string& text) { message = text; });
  } catch (const TFileOpenError& error) {
    throw TUsageError(error.what());
  }
  if (length == 0) throw TUsageError(path + ": " + message);
  if (!IsWritableLength(length)) throw TUsageError(path + ": " + WindowWords(TJobResult::TooLarge));
  return {segment, {path, length, true}};
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
