// One card's run as vorlane-cli writes it, on fake cards that keep fewer bytes than they report:
// refused before the long write where a probe can tell, and failed by the final pass where only
// the bytes tell. A card that keeps everything passes.
#include "cli/CardRun.h"

#include <gtest/gtest.h>

#include <string_view>

#include "card/CardImage.h"
#include "card/CardProof.h"
#include "card/Texts.h"
#include "tests/card/FakeVolume.h"
#include "tests/card/WavFiles.h"

namespace vorlane::cli {
namespace {

using vorlane::testing::MakeWavBytes;
using vorlane::testing::TFakeCard;
using vorlane::testing::TRecorder;
using vorlane::testing::TTempFolder;

constexpr std::uint64_t MiB = 1ull << 20;

class TQuietListener final : public TRunListener {
 public:
  void StepStarted(std::size_t, const TStep&) override {}
  void StepProgress(std::size_t, int) override {}
  void StepEnded(std::size_t, const TStep& step, bool, const std::string&) override {
    Kinds.push_back(step.Kind);
  }
  void Failure(const std::string& line) override { Lines.push_back(line); }
  std::vector<TStepKind> Kinds;
  std::vector<std::string> Lines;
};

struct TCliCardCase {
  const char* Name;
  std::optional<std::uint64_t> Keeps;  // none: a genuine card
  bool Drops;
  std::uint64_t Reports;  // the size the drive list gives
  std::uint32_t Length1, Length2;
  const char* Words;  // the summary's words begin so
  bool RefusedBeforeWriting;
  friend void PrintTo(const TCliCardCase& c, std::ostream* out) { *out << c.Name; }
};

class CliCard : public ::testing::TestWithParam<TCliCardCase> {};

TEST_P(CliCard, WritesBothSegmentsOnlyWhereTheCardKeepsThem) {
  const TCliCardCase& c = GetParam();
  TTempFolder folder;
  TFakeCard card;
  card.KeepsBytes = c.Keeps;
  card.DropsPastKeep = c.Drops;
  TRecorder platform(card);
  TQuietListener listener;
  const TTarget target{"sdx", "/dev/sdx", true, true, {"sdx", c.Reports, "Maker", "Model"}};
  const std::vector<TSegmentChoice> segments = {
      {TSegment::One, {folder.Write("1.wav", MakeWavBytes(c.Length1, 4096)), c.Length1, true}},
      {TSegment::Two, {folder.Write("2.wav", MakeWavBytes(c.Length2, 4096)), c.Length2, true}}};
  TCardRun run(0, target, segments, TRunMode::WriteAndVerify, platform, listener, [] {});
  run.Start();
  run.Join();

  const TCardResult& result = run.Result();
  EXPECT_EQ(result.Passed, std::string_view(c.Words).starts_with(WrittenText));
  EXPECT_TRUE(result.Words.starts_with(c.Words)) << result.Words;
  EXPECT_EQ(listener.Lines.size(), result.Passed ? 0u : 1u);
  if (c.RefusedBeforeWriting) {
    EXPECT_EQ(listener.Kinds, std::vector<TStepKind>{TStepKind::Check});
    EXPECT_LE(card.Sectors.size(), 1u + 2 * 2) << "the test sector and the probe's tags only";
  }
}

const char* const FoldWords =
    "测试SD卡失败! (segment 2), the card keeps fewer bytes than it reports";

INSTANTIATE_TEST_SUITE_P(
    AllCards, CliCard,
    ::testing::Values(
        TCliCardCase{"Genuine", std::nullopt, false, 1024 * MiB, 2 * MiB, 10 * MiB,
                     "已成功写入SD卡! (verified)", false},
        TCliCardCase{"Keeps1GiB", 1024 * MiB, false, 2048 * MiB, 100 * MiB, 150 * MiB,
                     "已成功写入SD卡! (verified)", false},
        TCliCardCase{"Keeps256MiB", 256 * MiB, false, 1024 * MiB, 2 * MiB, 10 * MiB, FoldWords,
                     true},
        TCliCardCase{"Keeps512MiB", 512 * MiB, false, 1024 * MiB, 2 * MiB, 150 * MiB, FoldWords,
                     true},
        TCliCardCase{"Drops512MiB", 512 * MiB, true, 1024 * MiB, 2 * MiB, 150 * MiB, FoldWords,
                     true},
        TCliCardCase{"ReportsTooLittle", std::nullopt, false, 256 * MiB, 2 * MiB, 10 * MiB,
                     "测试SD卡失败! (segment 2), the card reports 268435456 bytes", true},
        TCliCardCase{"ReportsJustWhatTheImagesNeed", std::nullopt, false,
                     SegmentImageEnd(TSegment::Two, 10 * MiB), 2 * MiB, 10 * MiB,
                     "已成功写入SD卡! (verified)", false},
        // Folding at 300 MiB slips past the probe and the test sector: segment 2's first sector
        // lands at 110 MiB, inside segment 1, which only the final pass sees.
        TCliCardCase{"Keeps300MiB", 300 * MiB, false, 1024 * MiB, 120 * MiB, 10 * MiB,
                     "测试SD卡失败! (segment 1), verification failed at sector 225280", false}),
    [](const auto& row) { return std::string(row.param.Name); });

}  // namespace
}  // namespace vorlane::cli
