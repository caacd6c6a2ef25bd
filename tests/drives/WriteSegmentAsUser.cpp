// Writes one WAV file to segment 1 of a card with the real write job, as whichever user runs
// it, and tells how the job ended: the desktop end-to-end tests run it as an unprivileged user.
// Usage: write_segment_as_user VOLUME WAVFILE
// Exit status 0 when the job succeeded, 1 when it failed (the log line on standard error),
// 2 on wrong use.
#include <cstdio>
#include <iostream>

#include "card/TReadWrite.h"
#include "card/WavFile.h"

namespace vorlane {
namespace {

class TOutcomeKeeper final : public TJobObserver {
 public:
  void Progress(int) override {}
  void Finished(const TJobOutcome& outcome) override { Outcome = outcome; }
  TJobOutcome Outcome;
};

int WriteSegmentOne(const std::string& volumePath, const std::string& wavPath) {
  const std::uint32_t declaredLength = CheckWavHeader(wavPath).DeclaredLength;
  if (declaredLength == 0) {
    std::cerr << wavPath << ": no WAV file\n";
    return 2;
  }
  TOutcomeKeeper observer;
  TSector buffer{};
  {
    TReadWriteThread job({volumePath, TSegment::One, {wavPath, declaredLength, true}}, observer,
                         SystemPlatform(), buffer);
    job.WaitFor();
  }
  if (!IsFailure(observer.Outcome.Result)) return 0;
  std::cerr << DescribeFailure(volumePath, observer.Outcome) << '\n';
  return 1;
}

}  // namespace
}  // namespace vorlane

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: write_segment_as_user VOLUME WAVFILE\n";
    return 2;
  }
  try {
    return vorlane::WriteSegmentOne(argv[1], argv[2]);
  } catch (const std::exception& error) {
    std::cerr << error.what() << '\n';
    return 2;
  }
}
