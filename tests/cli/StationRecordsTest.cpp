// The station run whole on fake cards, with a real log file: what it records of each card and
// shows on its slot, how the log's chain goes on across restarts, what it refuses to start on,
// and that every record is on the disk (fsync) before its slot shows the result.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <future>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/Usage.h"
#include "cli/station/StationOptions.h"
#include "tests/card/FakeVolume.h"
#include "tests/card/WavFiles.h"
#include "tests/cli/FakeContext.h"
#include "tests/cli/SyncCounter.h"

namespace vorlane::cli {
namespace {

using namespace std::chrono_literals;
using testing::TFakeCard;

// One fake card behind each volume, so cards written at once keep apart.
class TCardPerVolume final : public TPlatform {
 public:
  TVolumeOpening OpenVolume(const std::string& volumePath) override {
    return {std::make_unique<testing::TFakeVolume>(CardAt(volumePath)), {}};
  }
  void Beep(unsigned, unsigned) override {}
  void Sleep(unsigned) override {}
  TFakeCard& CardAt(const std::string& volumePath) {
    const std::lock_guard lock(Lock);
    return Cards[volumePath];
  }

 private:
  std::mutex Lock;
  std::map<std::string, TFakeCard> Cards;
};

struct TStationBench {
  testing::TFakeSystem System;
  TCardPerVolume Cards;
  TCommandContext Context() {
    const TCommandContext fake = System.Context();
    return {Cards, fake.RemovableDrives, nullptr, fake.In, fake.Out, fake.Err, false,
            false, fake.Interrupt};
  }
};

// A bench whose card's transfer never returns: its thread waits on the bench until the test
// program ends, so the bench is never destroyed.
void KeepHanging(std::unique_ptr<TStationBench> bench) {
  static auto* const kept = new std::vector<std::unique_ptr<TStationBench>>;
  kept->push_back(std::move(bench));
}

TDriveDetails Reader(const char* slot, const char* entry, std::uint64_t size = 1ull << 30) {
  return {.Entry = entry,
          .SizeBytes = size,
          .Vendor = "Generic",
          .Model = "STORAGE DEVICE",
          .Slot = slot,
          .MediaSequence = 1};
}

enum class TLogBefore { None, EarlierRun, CutOff, NotARecord };
enum class TPress { Never, WhenHeld, AfterARecord };  // Ctrl-C

struct TRecordsCase {
  const char* Name;
  TLogBefore Before;
  std::vector<TDriveDetails> Readers;  // cards in them at start, all written (--present)
  std::optional<unsigned> Count;
  int ExitCode;
  std::vector<std::string> Shows;  // on standard output or error
  std::vector<std::string> NeverShows;
  std::vector<std::string> Results;  // of the records appended, in any order
  std::uint64_t MinSize = 0;
  TPress Press = TPress::Never;
  bool Release = true;  // a held transfer returns once Ctrl-C is pressed
  bool FailRecordSync = false;
  friend void PrintTo(const TRecordsCase& c, std::ostream* out) { *out << c.Name; }
};

std::string EarlierRunLine() {
  TCardRecord record;
  record.Slot = "A";
  record.Verdict = TCardVerdict::Passed;
  return FormatRecord(record, {std::chrono::system_clock::now(), "bench-3", "1.1.0"}, std::nullopt);
}

std::string LogBytes(TLogBefore before) {
  switch (before) {
    case TLogBefore::None:
      return {};
    case TLogBefore::EarlierRun:
      return EarlierRunLine();
    case TLogBefore::CutOff:
      return EarlierRunLine() + EarlierRunLine().substr(0, 40);
    case TLogBefore::NotARecord:
      return EarlierRunLine() + "{\"time\": \"today\"}\n";
  }
  return {};
}

std::string ReadFile(const std::string& path) {
  std::ostringstream bytes;
  bytes << std::ifstream(path, std::ios::binary).rdbuf();
  return bytes.str();
}

std::vector<std::string> LinesOf(const std::string& bytes) {
  std::vector<std::string> lines;
  std::istringstream in(bytes);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool Held(TFakeCard& card) {
  const std::lock_guard lock(card.Lock);
  return card.Held;
}

// Runs the station until it ends by itself, pressing Ctrl-C where the row says. A station that
// does not end by itself is stopped with Ctrl-C after a while, and the row fails.
int RunAsTheRowSays(TStationBench& bench, const TStationOptions& options, const TRecordsCase& c,
                    TFakeCard& first) {
  const TCommandContext context = bench.Context();
  std::future<int> run = std::async(std::launch::async, [&] {
    return ExitCodeOf(context, [&] { return RunStation(context, options); });
  });
  const std::size_t linesBefore = LinesOf(ReadFile(*options.Log)).size();
  bool pressed = false;
  for (auto waited = 0ms; run.wait_for(10ms) != std::future_status::ready; waited += 10ms) {
    const bool due = c.Press == TPress::WhenHeld ? Held(first)
                     : c.Press == TPress::AfterARecord
                         ? LinesOf(ReadFile(*options.Log)).size() > linesBefore
                         : false;
    if (pressed || !(due || waited > 20s)) continue;
    EXPECT_TRUE(due) << "the station did not end by itself";
    pressed = true;
    bench.System.Interrupt.Press();
    if (c.Release) first.Release();
  }
  return run.get();
}

// Each record appended names the operator and batch and links to the line before it.
void ExpectChainedRecords(const std::vector<std::string>& before,
                          const std::vector<std::string>& after, const TRecordsCase& c) {
  ASSERT_GE(after.size(), before.size());
  std::vector<std::string> results;
  for (std::size_t line = before.size(); line < after.size(); ++line) {
    const nlohmann::json record = nlohmann::json::parse(after[line]);
    EXPECT_EQ(record["operator"], "王芳");
    EXPECT_EQ(record["batch"], "B-0412");
    if (line == 0) {
      EXPECT_TRUE(record["previous"].is_null());
    } else {
      EXPECT_EQ(record["previous"], LineDigest(after[line - 1])) << "line " << line + 1;
    }
    if (record["result"] == "passed") {
      EXPECT_NE(record["verify"]["seconds"], record["write"]["seconds"])
          << "the read-back timed on its own";
    }
    results.push_back(record["result"]);
  }
  std::vector<std::string> expected = c.Results;
  std::ranges::sort(results);
  std::ranges::sort(expected);
  EXPECT_EQ(results, expected);
}

class StationRecords : public ::testing::TestWithParam<TRecordsCase> {};

TEST_P(StationRecords, AreKeptAsTheStationPromises) {
  const TRecordsCase& c = GetParam();
  testing::TTempFolder folder;
  auto bench = std::make_unique<TStationBench>();
  bench->System.Drives = c.Readers;
  TFakeCard& first = bench->Cards.CardAt(VolumePathFor(c.Readers.front().Entry));
  if (c.Press == TPress::WhenHeld) first.HoldWriteNumber = 4;  // the write job's test sector
  TStationOptions options;
  options.Files.Segment1 = folder.Write("one.wav", testing::MakeWavBytes(1 << 20, 1 << 20));
  options.Log = (folder.Path() / "cards.jsonl").string();
  options.Operator = "王芳";
  options.Batch = "B-0412";
  options.Rules = {.WritePresent = true, .MinSize = c.MinSize, .Count = c.Count, .Stall = 1s};
  std::ofstream(*options.Log, std::ios::binary) << LogBytes(c.Before);
  const std::string logBefore = ReadFile(*options.Log);
  const int syncsBefore = testing::FsyncCalls();
  testing::FailFsyncAfter(c.FailRecordSync ? 1 : -1);  // the start's check passes

  const int exitCode = RunAsTheRowSays(*bench, options, c, first);
  testing::FailFsyncAfter(-1);

  const std::string shown = bench->System.Out.str() + bench->System.Err.str();
  EXPECT_EQ(exitCode, c.ExitCode) << shown;
  for (const std::string& text : c.Shows) EXPECT_NE(shown.find(text), std::string::npos) << text;
  for (const std::string& text : c.NeverShows)
    EXPECT_EQ(shown.find(text), std::string::npos) << text;
  const std::string logAfter = ReadFile(*options.Log);
  if (c.ExitCode == ExitUsage) {
    EXPECT_EQ(logAfter, logBefore) << "the log is never rewritten";
    EXPECT_EQ(first.WritesSeen, 0) << "no card is taken";
  } else if (!c.FailRecordSync) {
    ExpectChainedRecords(LinesOf(logBefore), LinesOf(logAfter), c);
    const auto appended = LinesOf(logAfter).size() - LinesOf(logBefore).size();
    EXPECT_GE(testing::FsyncCalls() - syncsBefore, static_cast<int>(appended) + 1)
        << "the log's check at the start and every record appended are put on the disk";
  }
  if (!c.Release) KeepHanging(std::move(bench));
}

const TDriveDetails A = Reader("A", "sda1");

INSTANTIATE_TEST_SUITE_P(
    Station, StationRecords,
    ::testing::Values(
        TRecordsCase{"FirstRecordStartsTheChain",
                     TLogBefore::None,
                     {A},
                     1,
                     0,
                     {"A  sda1 1.1 GB · Generic STORAGE DEVICE  PASS"},
                     {},
                     {"passed"}},
        TRecordsCase{"RestartGoesOnWithTheChain",
                     TLogBefore::EarlierRun,
                     {A},
                     1,
                     0,
                     {"PASS"},
                     {},
                     {"passed"}},
        TRecordsCase{"CutOffLastLineStopsTheStationBeforeAnyCard",
                     TLogBefore::CutOff,
                     {A},
                     1,
                     ExitUsage,
                     {"cards.jsonl line 2 is cut off"},
                     {"waiting for cards"},
                     {}},
        TRecordsCase{"LastLineNoRecordStopsTheStationBeforeAnyCard",
                     TLogBefore::NotARecord,
                     {A},
                     1,
                     ExitUsage,
                     {"cards.jsonl line 2 is no record"},
                     {"waiting for cards"},
                     {}},
        // Without the record the station takes no more cards: it ends though --count is not met.
        TRecordsCase{"UnrecordedCardFailsAndEndsTheStation",
                     TLogBefore::None,
                     {A},
                     2,
                     1,
                     {"FAIL", "the record could not be written"},
                     {"PASS"},
                     {},
                     0,
                     TPress::Never,
                     true,
                     true},
        // C reports too little for the recording and fails its check; A and B pass.
        TRecordsCase{
            "StepsShowOnTheirOwnSlotAndTheYieldIsRounded",
            TLogBefore::None,
            {A, Reader("B", "sdb1"), Reader("C", "sdc1", 1 << 20)},
            2,
            1,
            {"A  sda1 1.1 GB · Generic STORAGE DEVICE  writing segment 1",
             "B  sdb1 1.1 GB · Generic STORAGE DEVICE  verifying segment 1",
             "C  sdc1 0.0 GB · Generic STORAGE DEVICE  FAIL", "passed 2, failed 1, yield 67%"},
            {"C  sdc1 0.0 GB · Generic STORAGE DEVICE  writing", "\n  "},
            {"passed", "passed", "failed"}},
        TRecordsCase{"RefusedCardShowsRefused",
                     TLogBefore::None,
                     {A},
                     {},
                     1,
                     {"REFUSED refused: the card has 1073741824 bytes"},
                     {"STOPPED"},
                     {"refused"},
                     2ull << 30,
                     TPress::AfterARecord},
        TRecordsCase{"CtrlCStopsTheCardAndItShowsStopped",
                     TLogBefore::None,
                     {A},
                     {},
                     1,
                     {"STOPPED"},
                     {"REFUSED", "PASS"},
                     {"stopped"},
                     0,
                     TPress::WhenHeld},
        TRecordsCase{"TransferThatNeverReturnsIsGivenUpAfterCtrlC",
                     TLogBefore::None,
                     {A},
                     {},
                     1,
                     {"STOPPED stopped: the system has not returned the card's transfer"},
                     {"PASS"},
                     {"stopped"},
                     0,
                     TPress::WhenHeld,
                     false}),
    [](const auto& row) { return std::string(row.param.Name); });

}  // namespace
}  // namespace vorlane::cli
