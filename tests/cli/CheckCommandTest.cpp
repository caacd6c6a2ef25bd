// vorlane-cli check on fake cards that report more than they keep, behind write caches that
// honour or ignore flushes: the card's verdict, the size it keeps and what became of writes past
// it, and what a refusal, a failing card and Ctrl-C leave on the card.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <regex>

#include "card/ProofSeal.h"
#include "cli/Commands.h"
#include "cli/Usage.h"
#include "tests/cli/FakeContext.h"

namespace vorlane::cli {
namespace {

using vorlane::testing::TFakeSystem;

constexpr std::uint64_t MiB = 1ull << 20, GiB = 1ull << 30;

struct TCheckCase {
  const char* Name;
  std::uint64_t Reports;
  std::optional<std::uint64_t> Keeps = std::nullopt;  // none: a genuine card
  bool Drops = false;       // writes past what it keeps are dropped, not folded
  std::uint64_t Cache = 0;  // the card's write cache
  bool CacheIgnoresFlush = true;
  std::uint64_t CacheSize = 8 * MiB;  // --cache-size
  enum TEvent { None, FailWrite, FailRead, FailLastConfirm, CtrlC, NoTerminal } Event = None;
  int ExitCode = ExitCardFailed;
  const char* Says = "";         // the output says, where the card was proved
  std::uint64_t KeptWithin = 0;  // the size it tells may be this far above what it keeps
  friend void PrintTo(const TCheckCase& c, std::ostream* out) { *out << c.Name; }
};

class Check : public ::testing::TestWithParam<TCheckCase> {};

// The write the fault or the Ctrl-C comes at, on a 4 GiB card: a probe, before the window.
constexpr int MidCheckWrite = 100;

TEST_P(Check, TellsWhatTheCardKeepsAndLeavesARecordOnlyWhenItKeepsAll) {
  const TCheckCase& c = GetParam();
  TFakeSystem fakes;
  fakes.Drives = {{"sdx", c.Reports, "Maker", "Model"}};
  testing::TFakeCard& card = fakes.Card;
  card.ReportsBytes = c.Reports;
  card.KeepsBytes = c.Keeps;
  card.DropsPastKeep = c.Drops;
  card.CacheBytes = c.Cache;
  card.CacheIgnoresFlush = c.CacheIgnoresFlush;
  // Proved once: whatever this check finds, an earlier proof's record no longer holds.
  card.Sectors[ProofSealSector] = MakeProofSeal({1, c.Reports, c.CacheSize, 0});
  if (c.Event == TCheckCase::FailWrite) card.FailWriteNumber = MidCheckWrite;
  if (c.Event == TCheckCase::FailRead) card.FailRead = true;
  if (c.Event == TCheckCase::FailLastConfirm) card.FailSyncNumber = 2;  // the record's
  if (c.Event == TCheckCase::CtrlC) card.HoldWriteNumber = MidCheckWrite;
  fakes.InputIsTerminal = c.Event != TCheckCase::NoTerminal;
  struct TReleaseOnExit {
    testing::TFakeCard& Card;
    ~TReleaseOnExit() { Card.Release(); }
  } release{card};

  const TCommandContext context = fakes.Context();
  const bool yes = c.Event != TCheckCase::NoTerminal;
  std::future<int> command = std::async(std::launch::async, [&] {
    return ExitCodeOf(context, [&] { return RunCheck(context, {"sdx"}, {c.CacheSize}, yes); });
  });
  if (c.Event == TCheckCase::CtrlC) {
    ASSERT_TRUE(testing::WaitUntilHeld(card, command)) << fakes.Out.str();
    fakes.Interrupt.Press();
    card.Release();
  }
  const int exitCode = command.get();

  const std::string out = fakes.Out.str();
  EXPECT_EQ(exitCode, c.ExitCode) << out << fakes.Err.str();
  EXPECT_NE(out.find(c.Says), std::string::npos) << out;
  // The earlier record stays only where nothing was written; a pass leaves a record of its own.
  // (A record the card did not confirm may be on it or not.)
  const std::optional<TProofSeal> seal = ReadProofSeal(card.Give(ProofSealSector));
  if (c.Event != TCheckCase::FailLastConfirm) {
    EXPECT_EQ(seal.has_value(), c.ExitCode != ExitCardFailed);
    EXPECT_EQ(seal && seal->Token != 1, c.ExitCode == ExitPassed);
  }
  if (c.ExitCode == ExitUsage) {
    EXPECT_EQ(card.WritesSeen, 0);
    EXPECT_NE(fakes.Err.str().find("nothing written"), std::string::npos) << fakes.Err.str();
    return;
  }
  EXPECT_NE(out.find("; tags now in sector"), std::string::npos) << out;
  if (c.Event == TCheckCase::CtrlC) {
    EXPECT_EQ(card.WritesSeen, MidCheckWrite) << "no write after Ctrl-C";
  }
  if (c.Keeps && c.Event == TCheckCase::None) {
    std::smatch told;
    ASSERT_TRUE(std::regex_search(out, told, std::regex("it keeps ([0-9]+) of its"))) << out;
    const std::uint64_t kept = std::stoull(told[1]);
    EXPECT_GE(kept, *c.Keeps);
    EXPECT_LE(kept, *c.Keeps + c.KeptWithin);
  }
}

constexpr auto Usage = ExitUsage, Passes = ExitPassed;
const char* const Folded = "; writes past them fold back over its start: byte ";
const char* const Dropped = "; writes past them are dropped: byte ";

INSTANTIATE_TEST_SUITE_P(
    Cards, Check,
    ::testing::Values(
        TCheckCase{.Name = "Genuine",
                   .Reports = GiB,
                   .Cache = 8 * MiB,
                   .ExitCode = Passes,
                   .Says = "sdx: keeps every byte it reports (1073741824 bytes)"},
        TCheckCase{.Name = "FoldsAtAPowerOfTwo",
                   .Reports = 4 * GiB,
                   .Keeps = GiB,
                   .Cache = 8 * MiB,
                   .Says = Folded},
        // Its folded probes all land clear of each other and of the flush: only the window
        // shows where they went.
        TCheckCase{.Name = "FoldsAtNoPowerOfTwo",
                   .Reports = 2 * GiB,
                   .Keeps = 702 * MiB + 2560,
                   .Cache = 8 * MiB,
                   .Says = Folded},
        // It keeps less than the window at the card's start: the window folds onto itself.
        TCheckCase{.Name = "FoldsWithinTheWindow",
                   .Reports = GiB,
                   .Keeps = 5 * MiB + 512,
                   .Cache = 4 * MiB,
                   .Says = Folded},
        TCheckCase{.Name = "DropsPastItsCapacity",
                   .Reports = 4 * GiB,
                   .Keeps = 1536 * MiB + 51200,
                   .Drops = true,
                   .Cache = 8 * MiB,
                   .Says = Dropped,
                   .KeptWithin = MiB},
        TCheckCase{.Name = "DropsNearItsEnd",
                   .Reports = GiB,
                   .Keeps = GiB - 3 * MiB,
                   .Drops = true,
                   .Cache = 8 * MiB,
                   .Says = Dropped,
                   .KeptWithin = MiB},
        TCheckCase{.Name = "DropsWithinTheWindow",
                   .Reports = GiB,
                   .Keeps = 9 * MiB,
                   .Drops = true,
                   .Cache = 8 * MiB,
                   .Says = Dropped,
                   .KeptWithin = MiB},
        TCheckCase{.Name = "CacheHonouringFlushes",
                   .Reports = 2 * GiB,
                   .Keeps = GiB,
                   .Cache = 32 * MiB,
                   .CacheIgnoresFlush = false,
                   .CacheSize = MiB,
                   .Says = Folded},
        // More cache than the default --cache-size promises to defeat: a larger one catches it.
        TCheckCase{.Name = "CacheLargerThanTheDefault",
                   .Reports = 2 * GiB,
                   .Keeps = GiB + 2560,
                   .Cache = 96 * MiB,
                   .CacheSize = 128 * MiB,
                   .Says = Folded},
        TCheckCase{.Name = "WriteFailsMidCheck",
                   .Reports = 4 * GiB,
                   .Cache = 8 * MiB,
                   .Event = TCheckCase::FailWrite,
                   .Says = "sdx: 写入SD卡失败! (capacity), Input/output error"},
        TCheckCase{.Name = "RecordNotConfirmed",
                   .Reports = GiB,
                   .Cache = 8 * MiB,
                   .Event = TCheckCase::FailLastConfirm,
                   .Says = "sdx: 写入SD卡失败! (capacity), Input/output error"},
        TCheckCase{.Name = "ReadFails",
                   .Reports = GiB,
                   .Event = TCheckCase::FailRead,
                   .Says = "sdx: 读SD卡失败! (capacity), Input/output error"},
        TCheckCase{.Name = "CtrlCMidCheck",
                   .Reports = 4 * GiB,
                   .Keeps = GiB,
                   .Cache = 8 * MiB,
                   .Event = TCheckCase::CtrlC,
                   .Says = "sdx: stopped, "},
        TCheckCase{.Name = "NoTerminalToAskOn",
                   .Reports = GiB,
                   .Event = TCheckCase::NoTerminal,
                   .ExitCode = Usage},
        TCheckCase{.Name = "TooSmallForTheCache",
                   .Reports = 256 * MiB,
                   .CacheSize = 64 * MiB,
                   .ExitCode = Usage}),
    [](const auto& row) { return std::string(row.param.Name); });

}  // namespace
}  // namespace vorlane::cli
