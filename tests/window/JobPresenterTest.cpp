// The real write job on a fake card, reporting to the window's presenter: every ending gives
// exactly the window effects the window has always shown, in their order among the beeps, and
// every failure one log line for support.
#include "window/JobPresenter.h"

#include <gtest/gtest.h>

#include <mutex>

#include "card/TReadWrite.h"
#include "card/Texts.h"
#include "tests/card/FakeVolume.h"
#include "tests/card/WavFiles.h"

namespace vorlane {
namespace {

using testing::FirstImageWrite;
using testing::ImageSync;
using testing::MakeWavBytes;
using testing::TFakeCard;
using testing::TRecorder;
using TLog = std::vector<std::string>;

TLog Concat(std::initializer_list<TLog> parts) {
  TLog all;
  for (const TLog& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// What the window shows, as the logged window writes it.
std::string Status(int segment, const char* text) {
  return "text " + std::to_string(segment) + " " + text;
}
std::string Message(const char* text) {
  return std::string("message ") + text;
}

const TLog ReEnabled = {"enable 1", "enable 2", "enable 3", "enable 4"};
const TLog Alarm = {"beep 800 100", "sleep 100", "beep 800 100"};
const std::string Drive = "/dev/sdb1";

// The window as lines in the recorder's log, next to the beeps and pauses it records.
class TLoggedWindow final : public TWindowEffects {
 public:
  explicit TLoggedWindow(TRecorder& log) : Log(log) {}
  void SetStatusText(TSegment segment, const std::string& text) override {
    Log.Add("text " + std::to_string(static_cast<int>(segment)) + " " + text);
  }
  void SetStatusColor(TSegment segment, TColor c) override {
    Log.Add("color " + std::to_string(static_cast<int>(segment)) + " " + std::to_string(c.R) + "," +
            std::to_string(c.G) + "," + std::to_string(c.B));
  }
  void SetProgress(int percent) override { Log.Add("gauge " + std::to_string(percent)); }
  void EnableButton(TButton button) override {
    Log.Add("enable " + std::to_string(static_cast<int>(button)));
  }
  void ShowMessage(const std::string& text) override { Log.Add("message " + text); }

 private:
  TRecorder& Log;
};

class JobPresenter : public ::testing::Test {
 protected:
  // Runs one job on segment's slot with the file at path to its end.
  void Run(TSegment segment, const std::string& path, std::uint32_t declaredLength) {
    TJobPresenter presenter(Window, Recorder, segment, Drive, LogLine());
    TReadWriteThread job({Drive, segment, {path, declaredLength, true}}, presenter, Recorder, Buf);
    job.WaitFor();
  }

  // What the presenter logged, from the job's thread.
  TLogLine LogLine() {
    return [this](const std::string& line) {
      std::lock_guard lock(JobLinesLock);
      JobLines.push_back(line);
    };
  }
  std::vector<std::string> Lines() {
    std::lock_guard lock(JobLinesLock);
    return JobLines;
  }

  std::mutex JobLinesLock;
  std::vector<std::string> JobLines;
  testing::TTempFolder Folder;
  TFakeCard Card;
  TRecorder Recorder{Card};
  TLoggedWindow Window{Recorder};
  TSector Buf{};
};

struct TEnding {
  const char* Name;
  TSegment Segment;
  std::uint32_t DeclaredLength;
  void (*Break)(TFakeCard&);
  TLog Expected;
  friend void PrintTo(const TEnding& c, std::ostream* out) { *out << c.Name; }
};

class JobPresenterEnding : public JobPresenter, public ::testing::WithParamInterface<TEnding> {};

TEST_P(JobPresenterEnding, ShowsWhatTheWindowAlwaysShowedAndLogsOnlyFailures) {
  const TEnding& c = GetParam();
  c.Break(Card);
  Run(c.Segment, Folder.Write("a.wav", MakeWavBytes(44, 44)), c.DeclaredLength);
  EXPECT_EQ(Recorder.Log(), c.Expected);

  const std::vector<std::string> lines = Lines();
  const bool succeeded = std::string_view(c.Name).starts_with("Success");
  ASSERT_EQ(lines.size(), succeeded ? 0u : 1u);
  if (!succeeded) {
    EXPECT_EQ(lines[0].rfind(Drive + ": ", 0), 0u) << lines[0];
  }
}

const TLog Written1 = {Status(1, WrittenText), "color 1 0,128,0", "gauge 0", "beep 800 200"};
const TLog Written2 = {Status(2, WrittenText), "color 2 0,128,0", "gauge 0", "beep 800 200"};
const TLog WriteFailed1 = {Status(1, WriteFailedText), "color 1 255,0,0"};

INSTANTIATE_TEST_SUITE_P(
    AllEndings, JobPresenterEnding,
    ::testing::Values(
        TEnding{"Success1", TSegment::One, 44, [](TFakeCard&) {},
                Concat({{"gauge 0", "gauge 100"}, Written1, ReEnabled})},
        TEnding{"Success2", TSegment::Two, 44, [](TFakeCard&) {},
                Concat({{"gauge 0", "gauge 100"}, Written2, ReEnabled})},
        TEnding{"NoFile", TSegment::One, 0, [](TFakeCard&) {},
                Concat({{Message(OpenWavFirstText)}, ReEnabled})},
        TEnding{"TooLarge", TSegment::Two, MaxDeclaredLength + 1, [](TFakeCard&) {},
                Concat({{Message(WavTooLargeText)}, ReEnabled})},
        TEnding{"VolumeOpen", TSegment::One, 44, [](TFakeCard& c) { c.FailOpen = true; },
                Concat({{Message(ReinsertDiskText)}, ReEnabled})},
        TEnding{"TestSectorWrite", TSegment::Two, 44, [](TFakeCard& c) { c.FailWriteNumber = 1; },
                Concat({{Status(2, WriteFailedText)}, ReEnabled, {"gauge 0"}, Alarm})},
        TEnding{"TestSectorNotConfirmed", TSegment::One, 44,
                [](TFakeCard& c) { c.FailSyncNumber = 1; },
                Concat({{Status(1, WriteFailedText)}, ReEnabled, {"gauge 0"}, Alarm})},
        TEnding{"TestSectorRead", TSegment::One, 44, [](TFakeCard& c) { c.FailRead = true; },
                Concat({{Status(1, ReadFailedText)}, ReEnabled, {"gauge 0"}, Alarm})},
        TEnding{
            "TestSectorCompare", TSegment::Two, 44,
            [](TFakeCard& c) { c.ReadBackCorrupted = true; },
            Concat(
                {ReEnabled, {"gauge 0"}, Alarm, {Status(2, TestFailedText), "color 2 255,0,0"}})},
        // Segment 2 would land 256 MiB lower, over segment 1: refused as a failed test.
        TEnding{
            "CardFoldsAt256MiB", TSegment::Two, 44, [](TFakeCard& c) { c.KeepsBytes = 256 << 20; },
            Concat(
                {ReEnabled, {"gauge 0"}, Alarm, {Status(2, TestFailedText), "color 2 255,0,0"}})},
        // The gauge follows the card: a transfer it refused never moves it, and an image it
        // did not confirm never shows 100.
        TEnding{"ImageSectorWrite", TSegment::One, 44,
                [](TFakeCard& c) { c.FailWriteNumber = FirstImageWrite; },
                Concat({WriteFailed1, ReEnabled, {"gauge 0"}, Alarm})},
        TEnding{"ImageNotConfirmed", TSegment::One, 44,
                [](TFakeCard& c) { c.FailSyncNumber = ImageSync; },
                Concat({{"gauge 0"}, WriteFailed1, ReEnabled, {"gauge 0"}, Alarm})},
        TEnding{
            "TestSectorWriteThrows", TSegment::Two, 44,
            [](TFakeCard& c) { c.ThrowWriteNumber = 1; },
            Concat(
                {{Status(2, WriteFailedText), "color 2 255,0,0"}, ReEnabled, {"gauge 0"}, Alarm})}),
    [](const auto& row) { return std::string(row.param.Name); });

TEST_F(JobPresenter, VanishedSegmentFileIsAFailedWrite) {
  Run(TSegment::One, (Folder.Path() / "gone.wav").string(), 44);
  EXPECT_EQ(Recorder.Log(), Concat({WriteFailed1, ReEnabled, {"gauge 0"}, Alarm}));
}

// Support reads the cause from this line: which drive, which step, what the system said.
TEST_F(JobPresenter, FailureLineNamesTheDriveTheStepAndTheSystemMessage) {
  const std::string path = Folder.Write("a.wav", MakeWavBytes(44, 44));
  Card.FailWriteNumber = 1;
  Run(TSegment::One, path, 44);
  Card.FailOpen = true;
  Run(TSegment::One, path, 44);
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "/dev/sdb1: writing the test sector at byte 4193280: Input/output error",
                         "/dev/sdb1: opening the volume: No such device"}));
}

// A stopped job was asked to stop by the closing window: it only moved the gauge before.
TEST_F(JobPresenter, StoppedJobShowsAndLogsNothingAtItsEnd) {
  const std::uint32_t length = 8 << 20;
  const std::string path = Folder.Write("big.wav", MakeWavBytes(length, length));
  TJobPresenter presenter(Window, Recorder, TSegment::One, Drive, LogLine());
  Card.HoldWriteNumber = FirstImageWrite;
  TReadWriteThread job({Drive, TSegment::One, {path, length, true}}, presenter, Recorder, Buf);
  Card.WaitUntilHeld();
  job.RequestStop();
  Card.Release();
  job.WaitFor();
  for (const std::string& entry : Recorder.Log()) EXPECT_EQ(entry.rfind("gauge ", 0), 0u) << entry;
  EXPECT_TRUE(Lines().empty());
}

// Once the window is closing nothing reaches it and nothing sounds, however the job ends.
TEST_F(JobPresenter, DetachedPresenterShowsAndSoundsNothing) {
  const std::string path = Folder.Write("a.wav", MakeWavBytes(44, 44));
  for (const bool corrupted : {false, true}) {
    Card.ReadBackCorrupted = corrupted;
    Card.HoldWriteNumber = Card.WritesSeen + 1;
    Card.Held = Card.Released = false;
    TJobPresenter presenter(Window, Recorder, TSegment::One, Drive, LogLine());
    TReadWriteThread job({Drive, TSegment::One, {path, 44, true}}, presenter, Recorder, Buf);
    Card.WaitUntilHeld();
    presenter.Detach();
    Card.Release();
    job.WaitFor();
  }
  EXPECT_EQ(Recorder.Log(), TLog{});
}

}  // namespace
}  // namespace vorlane
