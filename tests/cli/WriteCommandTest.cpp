// vorlane-cli write on a fake card behind a fake drive list: only an explicit yes writes, and a
// card whose write Ctrl-C stopped mid-segment ends as stopped, never as written.
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "card/CardLayout.h"
#include "card/Texts.h"
#include "cli/Commands.h"
#include "cli/Usage.h"
#include "tests/card/WavFiles.h"
#include "tests/cli/FakeContext.h"

namespace vorlane::cli {
namespace {

using vorlane::testing::MakeWavBytes;
using vorlane::testing::TFakeSystem;
using vorlane::testing::TTempFolder;

const TDriveDetails FakeDrive{"sdx", 1ull << 30, "Generic", "STORAGE DEVICE"};

int Write(TFakeSystem& fakes, const TSegmentFiles& files, bool verify, bool assumeYes) {
  const TCommandContext context = fakes.Context();
  return ExitCodeOf(context, [&] { return RunWrite(context, files, {"sdx"}, verify, assumeYes); });
}

struct TAnswerCase {
  const char* Name;
  const char* Typed;  // what reaches standard input, end of input after it
  bool InputIsTerminal;
  bool Writes;
  friend void PrintTo(const TAnswerCase& c, std::ostream* out) { *out << c.Name; }
};

class Confirmation : public ::testing::TestWithParam<TAnswerCase> {};

TEST_P(Confirmation, OnlyAnExplicitYesWrites) {
  const TAnswerCase& c = GetParam();
  TTempFolder folder;
  TFakeSystem fakes;
  fakes.Drives = {FakeDrive};
  fakes.In.str(c.Typed);
  fakes.InputIsTerminal = c.InputIsTerminal;
  const TSegmentFiles files{folder.Write("1.wav", MakeWavBytes(4096, 4096)), std::nullopt};

  const int exitCode = Write(fakes, files, true, false);

  if (c.Writes) {
    EXPECT_EQ(exitCode, ExitPassed) << fakes.Err.str();
    EXPECT_NE(fakes.Out.str().find(std::string("sdx: ") + WrittenText + " (verified)"),
              std::string::npos);
    EXPECT_NE(fakes.Err.str().find("Write these cards? [y/N]"), std::string::npos);
  } else {
    EXPECT_EQ(exitCode, ExitUsage);
    EXPECT_EQ(fakes.Card.WritesSeen, 0) << "nothing written";
    EXPECT_NE(fakes.Err.str().find("nothing written"), std::string::npos) << fakes.Err.str();
    EXPECT_EQ(fakes.Out.str(), "");
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, Confirmation,
                         ::testing::Values(TAnswerCase{"y", "y\n", true, true},
                                           TAnswerCase{"Y", "Y\n", true, true},
                                           TAnswerCase{"yes", "yes\n", true, true},
                                           TAnswerCase{"YeS", "YeS\n", true, true},
                                           TAnswerCase{"yesThenEndOfInput", "yes", true, true},
                                           TAnswerCase{"Empty", "\n", true, false},
                                           TAnswerCase{"EndOfInput", "", true, false},
                                           TAnswerCase{"n", "n\n", true, false},
                                           TAnswerCase{"no", "no\n", true, false},
                                           TAnswerCase{"yess", "yess\n", true, false},
                                           TAnswerCase{"yesPlease", "yes please\n", true, false},
                                           TAnswerCase{"yOnTheSecondLine", "\ny\n", true, false},
                                           TAnswerCase{"NoTerminal", "y\n", false, false}),
                         [](const auto& test) { return std::string(test.param.Name); });

// Transfers are 1 MiB; the card check writes the test sector and two probe tags per segment,
// and each segment's job writes FirstImageWrite - 1 sectors before its image.
int FirstImageWriteOf(std::size_t stopped, const std::vector<std::uint32_t>& lengths) {
  int writes = 1 + 2 * static_cast<int>(lengths.size());
  for (std::size_t segment = 0; segment < stopped; ++segment)
    writes += testing::FirstImageWrite - 1 +
              static_cast<int>((ImageBytesFor(lengths[segment]) + (1 << 20) - 1) >> 20);
  return writes + testing::FirstImageWrite;
}

struct TStopCase {
  const char* Name;
  std::vector<std::uint32_t> Lengths;  // segment 1, then 2 where given
  std::size_t Stopped;                 // the segment whose write Ctrl-C stops
  bool Verify;
  friend void PrintTo(const TStopCase& c, std::ostream* out) { *out << c.Name; }
};

class CtrlC : public ::testing::TestWithParam<TStopCase> {};

TEST_P(CtrlC, StopsTheCardMidSegmentAndItNeverPasses) {
  const TStopCase& c = GetParam();
  TTempFolder folder;
  TFakeSystem fakes;
  fakes.Drives = {FakeDrive};
  TSegmentFiles files{folder.Write("1.wav", MakeWavBytes(c.Lengths[0], c.Lengths[0])),
                      std::nullopt};
  if (c.Lengths.size() > 1)
    files.Segment2 = folder.Write("2.wav", MakeWavBytes(c.Lengths[1], c.Lengths[1]));
  fakes.Card.HoldWriteNumber = FirstImageWriteOf(c.Stopped, c.Lengths);
  struct TReleaseOnExit {
    testing::TFakeCard& Card;
    ~TReleaseOnExit() { Card.Release(); }
  } release{fakes.Card};

  std::future<int> command =
      std::async(std::launch::async, [&] { return Write(fakes, files, c.Verify, true); });
  ASSERT_TRUE(testing::WaitUntilHeld(fakes.Card, command)) << fakes.Out.str();
  fakes.Interrupt.Press();
  fakes.Card.Release();
  const int exitCode = command.get();

  const std::string out = fakes.Out.str();
  EXPECT_EQ(exitCode, ExitCardFailed) << out;
  EXPECT_EQ(out.find(WrittenText), std::string::npos) << out;
  const std::string segment = std::to_string(c.Stopped + 1);
  EXPECT_NE(out.find("sdx: segment " + segment + ": stopped\n"), std::string::npos) << out;
  EXPECT_NE(out.find("sdx: stopped, "), std::string::npos) << out;
  EXPECT_EQ(out.find("verifying"), std::string::npos) << "a stopped card is not verified";
}

constexpr std::uint32_t EightMiB = 8 << 20;

INSTANTIATE_TEST_SUITE_P(
    Steps, CtrlC,
    ::testing::Values(TStopCase{"OnlySegmentVerified", {EightMiB}, 0, true},
                      TStopCase{"OnlySegmentNotVerified", {EightMiB}, 0, false},
                      TStopCase{"FirstOfTwo", {EightMiB, EightMiB}, 0, true},
                      TStopCase{"SecondOfTwoVerified", {1 << 20, EightMiB}, 1, true},
                      TStopCase{"SecondOfTwoNotVerified", {1 << 20, EightMiB}, 1, false}),
    [](const auto& test) { return std::string(test.param.Name); });

}  // namespace
}  // namespace vorlane::cli
