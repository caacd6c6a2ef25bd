// Cards that keep fewer bytes than they report: the job refuses each one whose image would land
// over earlier data, before writing it, and a card that keeps everything the job writes passes
// with every byte in place.
#include <gtest/gtest.h>

#include <string_view>

#include "card/CardProof.h"
#include "card/TReadWrite.h"
#include "tests/card/FakeVolume.h"
#include "tests/card/WavFiles.h"

namespace vorlane {
namespace {

using testing::MakeWavBytes;
using testing::TFakeCard;
using testing::TRecorder;
using testing::TTempFolder;

constexpr std::uint64_t MiB = 1ull << 20;

struct TCounterfeitCase {
  const char* Name;
  std::uint64_t Keeps;  // bytes the card keeps; it reports more
  bool Drops;           // drops writes past them instead of folding
  TSegment Segment;
  std::uint32_t Length;
  TJobResult Expected;
  std::optional<std::uint64_t> FailsAt;  // the card byte the outcome names
  friend void PrintTo(const TCounterfeitCase& c, std::ostream* out) { *out << c.Name; }
};

class CounterfeitCard : public ::testing::TestWithParam<TCounterfeitCase> {};

// Segment 2 on a card that already holds a segment 1, which must survive a passing job.
TEST_P(CounterfeitCard, JobEndsAsTheCardDeservesAndAPassLeavesEveryByteInPlace) {
  const TCounterfeitCase& c = GetParam();
  TTempFolder folder;
  TFakeCard card;
  card.KeepsBytes = c.Keeps;
  card.DropsPastKeep = c.Drops;
  TRecorder recorder(card);
  TSector buffer{};
  const auto run = [&](TSegment segment, std::uint32_t length, const std::string& name) {
    const std::string path = folder.Write(name, MakeWavBytes(length, 4096));
    TReadWriteThread({"/dev/sdb", segment, {path, length, true}}, recorder, recorder, buffer)
        .WaitFor();
    return recorder.Outcomes().back();
  };
  constexpr std::uint32_t earlier = 2 * MiB;
  if (c.Segment == TSegment::Two) {
    ASSERT_EQ(run(TSegment::One, earlier, "one.wav").Result, TJobResult::Succeeded);
  }
  // What the card holds before, the test sector counted in.
  const std::size_t heldBefore = card.Sectors.size() + (card.Sectors.count(TestSector) ? 0 : 1);

  const TJobOutcome outcome = run(c.Segment, c.Length, "this.wav");
  EXPECT_EQ(outcome.Result, c.Expected) << DescribeFailure("/dev/sdb", outcome);
  EXPECT_EQ(outcome.CardOffset, c.FailsAt);
  if (c.Expected != TJobResult::Succeeded) {
    EXPECT_TRUE(std::string_view(outcome.Detail).starts_with(KeepsFewerBytesDetail));
    EXPECT_NE(DescribeFailure("/dev/sdb", outcome).find(KeepsFewerBytesDetail), std::string::npos);
    if (c.FailsAt != TestSectorByte) {
      EXPECT_LE(card.Sectors.size(), heldBefore + 2) << "only the probe's tags were written";
    }
    return;
  }
  const auto image = [&](TSegment segment, std::uint32_t length) {
    const auto file = MakeWavBytes(length, 4096);
    for (std::uint64_t k = 0; k < SectorCountFor(length) + 1; ++k) {
      TSector expected;
      expected.fill(PadByte);
      for (std::uint64_t i = 0; i < SectorSize && k * SectorSize + i < file.size(); ++i)
        expected[i] = file[k * SectorSize + i];
      ASSERT_EQ(card.Sectors[StartSectorFor(segment) + k], expected) << "image sector " << k;
    }
  };
  EXPECT_EQ(card.Sectors[TestSector], MakeTestPattern());
  image(c.Segment, c.Length);
  if (c.Segment == TSegment::Two) image(TSegment::One, earlier);
}

constexpr auto Pass = TJobResult::Succeeded, Refused = TJobResult::TestCompareFailed;
constexpr std::uint64_t Seg2 = 410 * MiB;
// The last image sector of a segment of this length: where the probe's second tag goes.
constexpr std::uint64_t LastSector(std::uint64_t start, std::uint32_t length) {
  return start + (length + SectorSize - 1) / SectorSize * SectorSize;
}

INSTANTIATE_TEST_SUITE_P(
    AllCards, CounterfeitCard,
    ::testing::Values(
        TCounterfeitCase{"Keeps256Short1", 256 * MiB, false, TSegment::One, 2 * MiB, Pass, {}},
        // Segment 1's last tag lands at 8 MiB: a card keeping exactly that folds it onto byte 0.
        TCounterfeitCase{"Keeps8FoldsAtTheTagItself", 8 * MiB, false, TSegment::One, 4 * MiB,
                         Refused, 8 * MiB},
        TCounterfeitCase{"Keeps256Long1", 256 * MiB, false, TSegment::One, 300 * MiB, Refused,
                         LastSector(4 * MiB, 300 * MiB)},
        TCounterfeitCase{"Keeps512Long1", 512 * MiB, false, TSegment::One, 300 * MiB, Pass, {}},
        TCounterfeitCase{"Keeps256Short2", 256 * MiB, false, TSegment::Two, 10 * MiB, Refused,
                         Seg2},
        TCounterfeitCase{"Keeps512Short2", 512 * MiB, false, TSegment::Two, 10 * MiB, Pass, {}},
        TCounterfeitCase{"Keeps512Long2", 512 * MiB, false, TSegment::Two, 150 * MiB, Refused,
                         LastSector(Seg2, 150 * MiB)},
        TCounterfeitCase{"Keeps1GLong2", 1024 * MiB, false, TSegment::Two, 150 * MiB, Pass, {}},
        TCounterfeitCase{"Drops256Long1", 256 * MiB, true, TSegment::One, 300 * MiB, Refused,
                         LastSector(4 * MiB, 300 * MiB)},
        TCounterfeitCase{"Drops512Long2", 512 * MiB, true, TSegment::Two, 150 * MiB, Refused,
                         LastSector(Seg2, 150 * MiB)},
        // Folding at no power of two slips past the probe and puts segment 2's first sectors
        // over the test sector: the test sector read back after the image tells.
        TCounterfeitCase{"Keeps407Short2", 407 * MiB, false, TSegment::Two, 10 * MiB, Refused,
                         TestSectorByte}),
    [](const auto& row) { return std::string(row.param.Name); });

}  // namespace
}  // namespace vorlane
