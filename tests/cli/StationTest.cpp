// The station's rules, followed on a fake host and a clock the test turns: which cards are
// written, when, how often, and what is recorded of each.
#include <gtest/gtest.h>

#include <cstdio>
#include <future>
#include <thread>

#include <nlohmann/json.hpp>

#include "card/Sha256.h"
#include "cli/station/Station.h"
#include "tests/card/WavFiles.h"

namespace vorlane::cli {
namespace {

using namespace std::chrono_literals;

constexpr std::uint64_t EightGb = 7'948'206'080;

// Logs what the station does to the world, in one line: "write A; record A passed; tone+". A
// card written whole, not through its partition, says so; a graded card's record gives its
// words, and a stalled one its longest stall.
class TFakeHost final : public TStationHost {
 public:
  void StartCard(const std::string& slot, const TDriveDetails& drive) override {
    Log("write " + slot + (drive.Entry == slot ? " whole disk" : ""));
  }
  void StopCards() override { Log("stop"); }
  bool Record(const TCardRecord& record) override {
    std::string event = "record " + record.Slot + " " + VerdictName(record.Verdict);
    if (record.Failure && record.Failure->Step.Kind == TStepKind::Grade)
      event += ": " + record.Words;
    if (record.LongestStallSeconds) {
      char stall[32];
      std::snprintf(stall, sizeof stall, ", stalled %.1f s", *record.LongestStallSeconds);
      event += stall;
    }
    Log(event);
    return LogWorks;
  }
  void Sound(bool passed) override { Log(passed ? "tone+" : "alarm"); }
  void ShowSlot(const std::string&, const TDriveDetails&, TSlotShows, const TCardRecord*) override {
  }
  void ShowStall(const std::string& slot, std::optional<TStationClock::time_point> since) override {
    Log((since ? "stalled " : "moving ") + slot);
  }
  void ShowCounts(const TStationCounts&) override {}
  void Say(const std::string&) override {}
  void GiveUpCard(const std::string& slot) override { Log("give up " + slot); }

  std::string Events;
  bool LogWorks = true;

 private:
  void Log(const std::string& event) { Events += (Events.empty() ? "" : "; ") + event; }
};

// One step of a scenario. Cards go in and out of slots; time passes in steps the station looks
// at the drives and starts what has settled; jobs end as the row says.
struct TAction {
  enum {
    In,
    InWhole,
    Partitioned,
    Out,
    Wait,
    Progress,
    Pass,
    Fail,
    NoCard,
    Stopped,
    CtrlC,
    BreakLog
  } Kind;
  std::string Slot;
  std::uint64_t Size = EightGb;
  std::chrono::milliseconds Time{500};       // Wait
  double WriteSpeed = 20, VerifySpeed = 40;  // Pass, in MB/s
};
TAction In(std::string slot, std::uint64_t size = EightGb) {
  return {TAction::In, slot, size};
}
TAction Out(std::string slot) {
  return {TAction::Out, slot};
}
TAction Pass(std::string slot, double writeSpeed = 20, double verifySpeed = 40) {
  return {TAction::Pass, slot, EightGb, {}, writeSpeed, verifySpeed};
}
// A card that shows as a whole disk first, its partition a moment later, as the kernel tells.
TAction InWhole(std::string slot) {
  return {TAction::InWhole, slot};
}
TAction Partitioned(std::string slot) {
  return {TAction::Partitioned, slot};
}
TAction Progress(std::string slot) {
  return {TAction::Progress, slot};
}
TAction Pause(std::chrono::milliseconds time) {
  return {TAction::Wait, "", EightGb, time};
}
TAction Fail(std::string slot) {
  return {TAction::Fail, slot};
}
TAction Stopped(std::string slot) {
  return {TAction::Stopped, slot};
}
const TAction Wait{TAction::Wait, ""};
const TAction CtrlC{TAction::CtrlC, ""};
const TAction BreakLog{TAction::BreakLog, ""};

struct TScenario {
  const char* Name;
  TStationRules Rules;
  std::vector<std::string> InAtStart;
  std::vector<TAction> Actions;
  std::string Events;
  int ExitCode;
  bool Finished = false;
};

void PrintTo(const TScenario& scenario, std::ostream* out) {
  *out << scenario.Name;
}

class TScenarioRun {
 public:
  explicit TScenarioRun(const TScenario& scenario)
      : Station(scenario.Rules, {{TSegment::One, "one.wav", 1000, "ab"}}, Host) {
    for (const std::string& slot : scenario.InAtStart) Cards[slot] = {EightGb, ++Media, false};
    Look();
  }
  void Do(const TAction& action) {
    TCardResult result;
    switch (action.Kind) {
      case TAction::In:  // each card put in is a new medium
      case TAction::InWhole:
        Cards[action.Slot] = {action.Size, ++Media, action.Kind == TAction::InWhole};
        return Look();
      case TAction::Partitioned:
        Cards[action.Slot].Whole = false;
        return Look();
      case TAction::Out:
        Cards.erase(action.Slot);
        return Look();
      case TAction::Wait:  // the drives are looked at every tenth of a second meanwhile
        for (auto waited = 0ms; waited < action.Time; waited += 100ms) {
          Now += 100ms;
          Look();
          Station.Tick(Now);
        }
        return;
      case TAction::Progress:
        return Station.CardProgressed(action.Slot, {TStepKind::Write, TSegment::One, 1000}, Now);
      case TAction::Pass:  // a second each for the write and the read-back
        result.Passed = true;
        result.Writing = {1.0, static_cast<std::uint64_t>(action.WriteSpeed * 1e6)};
        result.Verifying = {1.0, static_cast<std::uint64_t>(action.VerifySpeed * 1e6)};
        return Station.CardEnded(action.Slot, result, Now);
      case TAction::Fail:
        return Station.CardEnded(action.Slot, result, Now);
      case TAction::NoCard:
        result.NoCard = true;
        return Station.CardEnded(action.Slot, result, Now);
      case TAction::Stopped:
        result.Stopped = true;
        return Station.CardEnded(action.Slot, result, Now);
      case TAction::CtrlC:
        return Station.Stop(Now);
      case TAction::BreakLog:
        Host.LogWorks = false;
        return;
    }
  }
  TFakeHost Host;
  TStation Station;

 private:
  void Look() {
    std::vector<TDriveDetails> drives;
    for (const auto& [slot, card] : Cards)
      drives.push_back({.Entry = card.Whole ? slot : slot + "1",
                        .SizeBytes = card.Size,
                        .Slot = slot,
                        .MediaSequence = card.Medium});
    drives.push_back({.Entry = "sdz", .SizeBytes = 0, .Slot = "empty reader"});
    Station.DrivesSeen(drives, Now);
  }
  struct TCard {
    std::uint64_t Size = 0;
    std::uint64_t Medium = 0;
    bool Whole = false;  // its partition does not show yet
  };
  std::map<std::string, TCard> Cards;
  std::uint64_t Media = 0;
  TStationClock::time_point Now;
};

const TStationRules Defaults{};
const TStationRules CountOne{.Count = 1};
const TStationRules Present{.WritePresent = true};
const TStationRules OneTo32Gb{.MinSize = 1'000'000'000, .MaxSize = 32'000'000'000};
const TStationRules Graded{.MinWriteSpeed = 10, .MinVerifySpeed = 30};
const TStationRules QuickStall{.Stall = 1s};

const TScenario Scenarios[] = {
    {"ArrivingCardIsWrittenOnceThoughItStaysIn",
     Defaults,
     {},
     {In("A"), Wait, Pass("A"), Wait, Wait},
     "write A; record A passed; tone+",
     0},
    {"NextCardInTheSameSlotIsWrittenAfterRemoval",
     Defaults,
     {},
     {In("A"), Wait, Pass("A"), Out("A"), Wait, In("A"), Wait, Fail("A")},
     "write A; record A passed; tone+; write A; record A failed; alarm",
     1},
    {"CardSwappedFasterThanALookIsANewCard",
     Defaults,
     {},
     {In("A"), Wait, Pass("A"), In("A"), Wait, Pass("A")},
     "write A; record A passed; tone+; write A; record A passed; tone+",
     0},
    {"CardPulledBeforeItSettledIsNotWritten", Defaults, {}, {In("A"), Out("A"), Wait}, "", 0},
    {"CardNotYetAnsweringIsNotRecordedAndIsStartedAgain",
     Defaults,
     {},
     {In("A"), Wait, {TAction::NoCard, "A"}, Wait, Pass("A")},
     "write A; write A; record A passed; tone+",
     0},
    {"TwoSlotsRunAtOnceAndAFailureStopsNoOther",
     Defaults,
     {},
     {In("A"), In("B"), Wait, Fail("A"), Pass("B")},
     "write A; write B; record A failed; alarm; record B passed; tone+",
     1},
    {"CountStopsTakingCardsAndRunningOnesFinish",
     CountOne,
     {},
     {In("A"), In("B"), Wait, Pass("A"), In("C"), Wait, Pass("B")},
     "write A; write B; record A passed; tone+; record B passed; tone+",
     0,
     true},
    {"SizeRulesRefuseWithoutWriting",
     OneTo32Gb,
     {},
     {In("small", 512'000'000), In("big", 64'000'000'000), In("fits"), Wait},
     "record big refused; alarm; write fits; record small refused; alarm",
     1},
    {"CardsInAtStartAreLeftAloneUntilPutInAgain",
     Defaults,
     {"A"},
     {Wait, Out("A"), In("A"), Wait},
     "write A",
     0},
    {"PresentWritesCardsInAtStart", Present, {"A"}, {Wait}, "write A", 0},
    {"CtrlCRecordsRunningCardsAsStoppedAndTakesNoMore",
     Defaults,
     {},
     {In("A"), Wait, CtrlC, Stopped("A"), In("B"), Wait},
     "write A; stop; record A stopped; alarm",
     1,
     true},
    {"CardPulledWhileWritingEmptiesItsSlotOnceItEnds",
     Defaults,
     {},
     {In("A"), Wait, Out("A"), Fail("A"), In("A"), Wait},
     "write A; record A failed; alarm; write A",
     1},
    {"UnwritableLogStopsTheStationAndFailsTheUntracedCard",
     Defaults,
     {},
     {In("A"), Wait, BreakLog, Pass("A"), In("B"), Wait},
     "write A; record A passed; alarm",
     1,
     true},
    {"CardsOfExactlyTheSizeLimitsAreWritten",
     OneTo32Gb,
     {},
     {In("max", 32'000'000'000), In("min", 1'000'000'000), Wait},
     "write max; write min",
     0},
    // Written before its partition shows, the card would be written as a whole disk.
    {"CardIsWrittenOnceItsPartitionHasSettled",
     Defaults,
     {},
     {InWhole("A"), Pause(100ms), Partitioned("A"), Pause(100ms), Pause(100ms)},
     "write A",
     0},
    {"SlowWriteFailsTheGrade",
     Graded,
     {},
     {In("A"), Wait, Pass("A", 4.25, 50)},
     "write A; record A failed: slow card: written at 4.2 MB/s, under --min-write-speed 10; alarm",
     1},
    {"SlowReadBackFailsTheGrade",
     Graded,
     {},
     {In("A"), Wait, Pass("A", 20, 5)},
     "write A; record A failed: slow card: read back at 5.0 MB/s, under --min-verify-speed 30; "
     "alarm",
     1},
    {"CardFastEnoughPassesTheGrade",
     Graded,
     {},
     {In("A"), Wait, Pass("A", 10, 30.5)},
     "write A; record A passed; tone+",
     0},
    {"WithoutLimitsNothingIsGraded",
     Defaults,
     {},
     {In("A"), Wait, Pass("A", 0.5, 0.5)},
     "write A; record A passed; tone+",
     0},
    // A is started at 0.2 s and never moves; B moves at 1.0 s and passes.
    {"StalledCardShowsAndTheOthersCarryOn",
     QuickStall,
     {},
     {In("A"), In("B"), Wait, Pause(500ms), Progress("B"), Pause(500ms), Pass("B"), Progress("A"),
      Pass("A")},
     "write A; write B; stalled A; record B passed; tone+; moving A; "
     "record A passed, stalled 1.3 s; tone+",
     0},
    // A stall belongs to its card: the next card in the slot, refused, never ran.
    {"StallIsNotCarriedToTheNextCard",
     {.MinSize = 1'000'000'000, .Stall = 1s},
     {},
     {In("A"), Wait, Pause(1000ms), Pass("A"), Out("A"), In("A", 512'000'000), Wait},
     "write A; stalled A; record A passed, stalled 1.3 s; tone+; record A refused; alarm",
     1},
    // After Ctrl-C at 0.5 s, B stops; A's transfer never comes back, and is given up a stall's
    // time later. Its job's end, should it ever come, changes nothing.
    {"CtrlCGivesUpACardWhoseTransferNeverReturns",
     QuickStall,
     {},
     {In("A"), In("B"), Wait, CtrlC, Stopped("B"), Pause(1000ms), Pass("A")},
     "write A; write B; stop; record B stopped; alarm; stalled A; give up A; "
     "record A stopped, stalled 1.3 s; alarm",
     1,
     true},
};

class StationScenario : public ::testing::TestWithParam<TScenario> {};

TEST_P(StationScenario, DoesWhatTheRulesSay) {
  const TScenario& scenario = GetParam();
  TScenarioRun run(scenario);
  for (const TAction& action : scenario.Actions) run.Do(action);
  EXPECT_EQ(run.Host.Events, scenario.Events);
  EXPECT_EQ(run.Station.ExitCode(), scenario.ExitCode);
  EXPECT_EQ(run.Station.Finished(), scenario.Finished);
}

INSTANTIATE_TEST_SUITE_P(Station, StationScenario, ::testing::ValuesIn(Scenarios),
                         [](const auto& row) { return std::string(row.param.Name); });

// The record a station keeps of a failed card, every field, with a reader that names itself
// with terminal controls.
TEST(StationRecord, HoldsEveryFieldWithDeviceWordsEscaped) {
  TCardRecord record;
  record.Slot = "1-1.3";
  record.Device = "/dev/mmcblk0p1";
  record.Drive = {
      .Entry = "mmcblk0p1",
      .SizeBytes = EightGb,
      .Vendor = "Generic",
      .Model = "Reader\x1b]0;owned\x07",
      .Serial = "12\n34",
      .Card = {"035344534c303847", "0x1a2b3c4d", "0x000003", "0x5344", "SL08G", "07/2019"}};
  record.Segments = {{TSegment::Two, "two.wav", 100000, std::string(64, 'f')}};
  record.Verdict = TCardVerdict::Failed;
  record.Words = "写入SD卡失败! (segment 2)";
  record.Failure = TCardFailure{{TStepKind::Write, TSegment::Two, 0}, 429'916'160, "I/O error"};
  record.Writing = {2.0, 10'000'000};
  record.Verifying = {0.25, 10'000'000};
  record.LongestStallSeconds = 42.5;
  const std::chrono::system_clock::time_point time{std::chrono::seconds(1'796'790'605)};

  const std::string line =
      FormatRecord(record, {time, "bench-3", "1.1.0", "王芳", "B-0412"}, std::string(64, 'a'));
  ASSERT_EQ(line.back(), '\n');
  ASSERT_EQ(line.find('\n'), line.size() - 1) << "one line per card";
  const nlohmann::json json = nlohmann::json::parse(line);
  EXPECT_EQ(json["time"], "2026-12-09T04:30:05Z");
  EXPECT_EQ(json["host"], "bench-3");
  EXPECT_EQ(json["version"], "1.1.0");
  EXPECT_EQ(json["operator"], "王芳");
  EXPECT_EQ(json["batch"], "B-0412");
  EXPECT_EQ(json["previous"], std::string(64, 'a'));
  EXPECT_EQ(json["slot"], "1-1.3");
  EXPECT_EQ(json["device"], "/dev/mmcblk0p1");
  EXPECT_EQ(json["reader"]["model"], "Reader\\x1b]0;owned\\x07");
  EXPECT_EQ(json["reader"]["serial"], "12\\x0a34");
  EXPECT_EQ(json["sizeBytes"], EightGb);
  EXPECT_EQ(json["card"]["cid"], "035344534c303847");
  EXPECT_EQ(json["card"]["date"], "07/2019");
  EXPECT_EQ(json["segments"][0]["segment"], 2);
  EXPECT_EQ(json["segments"][0]["declaredLength"], 100000);
  EXPECT_EQ(json["segments"][0]["sha256"], std::string(64, 'f'));
  EXPECT_EQ(json["result"], "failed");
  EXPECT_EQ(json["words"], "写入SD卡失败! (segment 2)");
  EXPECT_EQ(json["failure"]["step"], "write");
  EXPECT_EQ(json["failure"]["sector"], 839680);
  EXPECT_EQ(json["failure"]["error"], "I/O error");
  EXPECT_DOUBLE_EQ(json["write"]["megabytesPerSecond"], 5.0);
  EXPECT_DOUBLE_EQ(json["verify"]["seconds"], 0.25);
  EXPECT_DOUBLE_EQ(json["verify"]["megabytesPerSecond"], 40.0);
  EXPECT_DOUBLE_EQ(json["longestStallSeconds"], 42.5);
}

// Both the processor's SHA instructions, where it has them, and the portable rounds.
TEST(Sha256, MatchesTheStandardsVectors) {
  for (const TSha256::TRounds rounds : {TSha256::TRounds::Fastest, TSha256::TRounds::Portable}) {
    SCOPED_TRACE(static_cast<int>(rounds));
    const auto digestOf = [rounds](const std::string& text) {
      TSha256 sha(rounds);
      sha.Update({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
      return HexDigest(sha.Finish());
    };
    EXPECT_EQ(digestOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(digestOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the padding no longer fits the block and takes a second one.
    EXPECT_EQ(digestOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(digestOf(std::string(1'000'000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  }
}

// A file's digest, or none where hashing it takes longer than a person would wait.
std::optional<std::string> FileSha256Within(const std::string& path, std::chrono::seconds limit) {
  auto digest = std::make_shared<std::promise<std::optional<std::string>>>();
  std::future<std::optional<std::string>> done = digest->get_future();
  std::thread([digest, path] { digest->set_value(FileSha256(path)); }).detach();
  if (done.wait_for(limit) != std::future_status::ready) return std::nullopt;
  return done.get();
}

// Recordings are hashed a few MiB at a time: a file of exactly one such chunk, and one a byte
// longer, give the digests sha256sum gives, in time.
TEST(Sha256, OfARecordingIsTheDigestOfAllItsBytes) {
  const struct {
    std::size_t Size;
    const char* Digest;
  } files[] = {
      {4 << 20, "4198dc383bedfb39516ccdf9bf613df1d3119f8b0725461844a97df54fb49aa8"},
      {(4 << 20) + 1, "7bee1256ca31dd1f8b3ecbbe0fcc89a83515b6523bfd8fee268787ce1ca71b75"},
  };
  testing::TTempFolder folder;
  for (const auto& file : files) {
    std::vector<std::uint8_t> bytes(file.Size);
    for (std::size_t i = 0; i < file.Size; ++i)
      bytes[i] = static_cast<std::uint8_t>(i * 31 + (i >> 20));
    EXPECT_EQ(FileSha256Within(folder.Write("recording.wav", bytes), std::chrono::seconds(60)),
              file.Digest)
        << file.Size << " bytes";
  }
}

}  // namespace
}  // namespace vorlane::cli
