#include "card/Texts.h"

namespace vorlane {

const char* TextFor(TJobResult result) {
  switch (result) {
    case TJobResult::Succeeded:
      return WrittenText;
    case TJobResult::NoFile:
      return OpenWavFirstText;
    case TJobResult::TooLarge:
      return WavTooLargeText;
    case TJobResult::VolumeOpenFailed:
      return ReinsertDiskText;
    case TJobResult::TestWriteFailed:
    case TJobResult::ImageWriteFailed:
      return WriteFailedText;
    case TJobResult::TestReadFailed:
      return ReadFailedText;
    case TJobResult::TestCompareFailed:
      return TestFailedText;
    case TJobResult::Stopped:
      return StoppedText;
  }
  return "?";
}

std::string CannotOpenFileText(const std::string& path, std::error_code error) {
  std::string reason = error.message();
  while (!reason.empty()) {
    const unsigned char last = static_cast<unsigned char>(reason.back());
    if (last > ' ' && last != '.') break;
    reason.pop_back();
  }
  return "Cannot open file \"" + path + "\". " + reason;
}

}  // namespace vorlane
