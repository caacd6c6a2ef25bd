// The window and the command line say the same about the same card and the same file: each
// ending, met by both programs, shows the text the texts table names for it.
#include <gtest/gtest.h>

#include <sstream>

#include "card/Texts.h"
#include "cli/CardRun.h"
#include "cli/ProgressDisplay.h"
#include "cli/SegmentFiles.h"
#include "cli/Usage.h"
#include "tests/card/FakeVolume.h"
#include "tests/card/WavFiles.h"
#include "tests/window/RecordingView.h"
#include "window/TFormBehaviour.h"

namespace vorlane {
namespace {

using testing::MakeWavBytes;
using testing::TFakeCard;
using testing::TRecorder;
using testing::TTempFolder;

enum class TChosenFile { Wav, NotWav, TooLarge, Missing };

struct TEnding {
  const char* Name;
  TChosenFile File;
  void (*Break)(TFakeCard&);
  const char* Text;  // the table's; none: the text for a file that cannot be opened
  friend void PrintTo(const TEnding& c, std::ostream* out) { *out << c.Name; }
};

std::string MakeFile(const TTempFolder& folder, TChosenFile kind) {
  std::vector<std::uint8_t> bytes = MakeWavBytes(44, 44);
  if (kind == TChosenFile::Missing) return (folder.Path() / "gone.wav").string();
  if (kind == TChosenFile::NotWav) bytes[8] = 'w';
  if (kind == TChosenFile::TooLarge) bytes = MakeWavBytes(MaxDeclaredLength + 1, 44);
  return folder.Write("a.wav", bytes);
}

// The window's last word: its latest box (the error box's without its marker), else what segment
// 1's status label shows once the job has ended.
std::string WindowSays(const std::string& file, TFakeCard& card) {
  TRecorder platform(card);
  testing::TRecordingView view;
  TBehaviourServices services;
  services.GetRemovableDrives = [] { return std::vector<std::string>{"sdx"}; };
  services.GetRemovableDriveDetails = [] { return std::vector<TDriveDetails>{}; };
  services.Platform = &platform;
  services.LogJobFailure = [](const std::string&) {};
  TFormBehaviour form(view, std::move(services));
  form.FormCreate();
  view.DialogAnswers[0].push_back(file);
  form.SpeedButton2Click();
  if (view.Boxes.empty()) {
    form.SpeedButton4Click();
    // The buttons come back before a card that forgot gets its text, after the alarm.
    EXPECT_TRUE(view.RunPostedUntil([&] {
      return view.AllButtons(true) && (!view.Boxes.empty() || view.StatusTexts[0] != WritingText);
    }));
  }
  if (view.Boxes.empty()) return view.StatusTexts[0];
  const std::string box = view.Boxes.back();
  return box.starts_with("error: ") ? box.substr(7) : box;
}

// The command line's: the file's usage error, else the card's summary words.
std::string CommandLineSays(const std::string& file, TFakeCard& card) {
  std::vector<cli::TSegmentChoice> segments;
  try {
    segments = cli::CheckSegmentFiles(file, std::nullopt);
  } catch (const cli::TUsageError& error) {
    return error.what();
  }
  TRecorder platform(card);
  std::ostringstream lines;
  const auto display = cli::MakeProgressDisplay({"sdx"}, false, lines, lines);
  const cli::TTarget target{"sdx", "/dev/sdx", true, true, {"sdx", 0, "", ""}};
  cli::TCardRun run(0, target, segments, cli::TRunMode::WriteOnly, platform, *display, [] {});
  run.Start();
  run.Join();
  return run.Result().Words;
}

class SameWords : public ::testing::TestWithParam<TEnding> {};

TEST_P(SameWords, WindowAndCommandLineShowTheTextsTableText) {
  const TEnding& c = GetParam();
  TTempFolder folder;
  const std::string file = MakeFile(folder, c.File);
  const std::string text =
      c.Text ? c.Text : "Cannot open file \"" + file + "\". " + testing::MissingFileText();
  TFakeCard windowCard, cliCard;
  c.Break(windowCard);
  c.Break(cliCard);
  EXPECT_EQ(WindowSays(file, windowCard), text);
  const std::string cli = CommandLineSays(file, cliCard);
  EXPECT_NE(cli.find(text), std::string::npos) << cli;
}

INSTANTIATE_TEST_SUITE_P(
    Endings, SameWords,
    ::testing::Values(TEnding{"Written", TChosenFile::Wav, [](TFakeCard&) {}, WrittenText},
                      TEnding{"CardGone", TChosenFile::Wav, [](TFakeCard& c) { c.FailOpen = true; },
                              ReinsertDiskText},
                      TEnding{"TestSectorRefused", TChosenFile::Wav,
                              [](TFakeCard& c) { c.FailWriteNumber = 1; }, WriteFailedText},
                      TEnding{"TestSectorUnreadable", TChosenFile::Wav,
                              [](TFakeCard& c) { c.FailRead = true; }, ReadFailedText},
                      TEnding{"CardForgets", TChosenFile::Wav,
                              [](TFakeCard& c) { c.ReadBackCorrupted = true; }, TestFailedText},
                      // The second transfer is the segment's first sector, in both programs.
                      TEnding{"SegmentRefused", TChosenFile::Wav,
                              [](TFakeCard& c) { c.FailWriteNumber = 2; }, WriteFailedText},
                      TEnding{"NotWav", TChosenFile::NotWav, [](TFakeCard&) {}, NotWavText},
                      TEnding{"TooLarge", TChosenFile::TooLarge, [](TFakeCard&) {},
                              WavTooLargeText},
                      TEnding{"CannotOpen", TChosenFile::Missing, [](TFakeCard&) {}, nullptr}),
    [](const auto& row) { return std::string(row.param.Name); });

}  // namespace
}  // namespace vorlane
