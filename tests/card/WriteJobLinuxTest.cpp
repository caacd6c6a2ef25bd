// A segment file that passed its check can still be swapped for something else before the job
// reads it. The job reads regular files only: a named pipe could hold it forever, and a device
// node would hand the card made-up bytes (zeros from /dev/zero, nothing from /dev/null).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "card/TReadWrite.h"
#include "tests/card/FakeVolume.h"
#include "tests/card/WavFiles.h"

namespace vorlane {
namespace {

namespace fs = std::filesystem;
using testing::MakeWavBytes;
using testing::TFakeCard;
using testing::TRecorder;
using testing::TTempFolder;

// Should the job open the pipe and wait for a writer, this writer comes after a while and
// lets it go, so the test fails instead of hanging.
class TPipeRescue {
 public:
  TPipeRescue(std::string pipe, const std::atomic<bool>& finished)
      : Thread([this, pipe = std::move(pipe), &finished] {
          for (int waited = 0; waited < 100 && !finished; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
          if (finished) return;
          const int fd = open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
          Rescued = fd >= 0;
          if (fd >= 0) close(fd);
        }) {}
  ~TPipeRescue() { Thread.join(); }
  TPipeRescue(const TPipeRescue&) = delete;
  TPipeRescue& operator=(const TPipeRescue&) = delete;
  std::atomic<bool> Rescued = false;

 private:
  std::thread Thread;
};

struct TSwap {
  const char* Name;
  void (*Replace)(const fs::path& file);
  friend void PrintTo(const TSwap& c, std::ostream* out) { *out << c.Name; }
};

class SegmentFileSwapped : public ::testing::TestWithParam<TSwap> {};

TEST_P(SegmentFileSwapped, EndsTheJobAsAFailedReadAtTheNextTransferWithoutBlocking) {
  TTempFolder folder;
  TFakeCard card;
  TRecorder recorder{card};
  TSector buf{};
  const std::uint32_t length = 8 << 20;
  const std::string path = folder.Write("s.wav", MakeWavBytes(length, length));
  card.HoldWriteNumber = testing::FirstImageWrite;
  std::atomic<bool> finished = false;
  {
    TReadWriteThread job({"/dev/sdb1", TSegment::One, {path, length, true}}, recorder, recorder,
                         buf);
    struct TReleaseOnExit {
      TFakeCard& Card;
      ~TReleaseOnExit() { Card.Release(); }
    } release{card};
    card.WaitUntilHeld();
    GetParam().Replace(path);
    TPipeRescue rescue(path, finished);
    card.Release();
    job.WaitFor();
    finished = true;
    EXPECT_FALSE(rescue.Rescued) << "the job waited on the pipe";
  }

  ASSERT_EQ(recorder.Outcomes().size(), 1u);
  const TJobOutcome outcome = recorder.Outcomes()[0];
  EXPECT_EQ(outcome.Result, TJobResult::ImageWriteFailed);
  EXPECT_EQ(outcome.Error, std::errc::invalid_argument) << outcome.Error.message();
  ASSERT_TRUE(outcome.CardOffset);
  constexpr std::uint64_t Segment1Byte = std::uint64_t{Segment1StartSector} * SectorSize;
  EXPECT_GT(*outcome.CardOffset, Segment1Byte);
  EXPECT_LT(*outcome.CardOffset, Segment1Byte + length);
  const auto written = card.WrittenSectorNumbers();
  ASSERT_EQ(written.back(), Segment1StartSector + SectorCountFor(length)) << "the probe's tag";
  EXPECT_LT(written[written.size() - 2], *outcome.CardOffset / SectorSize)
      << "nothing read from the swapped file reached the card";
}

// Each swap is a rename over the checked file, as an editor or a script would do it.
void SwapFor(const fs::path& file, void (*make)(const fs::path&)) {
  const fs::path stand = file.string() + ".new";
  make(stand);
  fs::rename(stand, file);
}

INSTANTIATE_TEST_SUITE_P(AllRows, SegmentFileSwapped,
                         ::testing::Values(TSwap{"NamedPipe",
                                                 [](const fs::path& file) {
                                                   SwapFor(file, [](const fs::path& at) {
                                                     ASSERT_EQ(mkfifo(at.c_str(), 0600), 0);
                                                   });
                                                 }},
                                           TSwap{"DeviceThatGivesZeros",
                                                 [](const fs::path& file) {
                                                   SwapFor(file, [](const fs::path& at) {
                                                     fs::create_symlink("/dev/zero", at);
                                                   });
                                                 }},
                                           TSwap{"DeviceThatGivesNothing",
                                                 [](const fs::path& file) {
                                                   SwapFor(file, [](const fs::path& at) {
                                                     fs::create_symlink("/dev/null", at);
                                                   });
                                                 }}),
                         [](const auto& row) { return std::string(row.param.Name); });

}  // namespace
}  // namespace vorlane
