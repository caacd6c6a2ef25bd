#include "card/JobOutcome.h"

namespace vorlane {
namespace {

const char* StepOf(TJobResult result) {
  switch (result) {
    case TJobResult::Succeeded:
      return "written";
    case TJobResult::NoFile:
      return "no checked WAV file";
    case TJobResult::TooLarge:
      return "WAV file over 400 MiB";
    case TJobResult::VolumeOpenFailed:
      return "opening the volume";
    case TJobResult::TestWriteFailed:
      return "writing the test sector";
    case TJobResult::TestReadFailed:
      return "reading back the test sector";
    case TJobResult::TestCompareFailed:
      return "comparing the test sector";
    case TJobResult::ImageWriteFailed:
      return "writing the segment";
    case TJobResult::Stopped:
      return "stopped";
  }
  return "?";
}

}  // namespace

bool IsFailure(TJobResult result) {
  return result != TJobResult::Succeeded && result != TJobResult::Stopped;
}

TJobOutcome OpenFailure(const TVolumeOpening& opening) {
  return {TJobResult::VolumeOpenFailed, opening.Error, std::nullopt, opening.Detail};
}

std::string DescribeFailure(const std::string& volumePath, const TJobOutcome& outcome) {
  const bool cardFault = outcome.Result == TJobResult::TestCompareFailed;
  // A card's fault in its own words says where it went wrong, offsets included.
  if (cardFault && !outcome.Detail.empty()) return volumePath + ": " + outcome.Detail;
  std::string line = volumePath + ": " + StepOf(outcome.Result);
  if (outcome.CardOffset) line += " at byte " + std::to_string(*outcome.CardOffset);
  // The disk service's own words, where it gave any, say more than the error's kind.
  if (!outcome.Detail.empty())
    line += ": " + outcome.Detail;
  else if (outcome.Error)
    line += ": " + outcome.Error.message();
  if (cardFault) line += ": the card returned other bytes than it was given";
  return line;
}

}  // namespace vorlane
