// The station's rules, followed on a fake host and a clock the test turns: which cards are
// written, when, how often, and what is recorded of each.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "card/Sha256.h"
#include "cli/station/Station.h"

namespace vorlane::cli {
namespace {

using namespace std::chrono_literals;

constexpr std::uint64_t EightGb = 7'948'206'080;

// Logs what the station does to the world, in one line: "write A; record A passed; tone+".
class TFakeHost final : public TStationHost {
 public:
  void StartCard(const std::string& slot, const TDriveDetails&) override { Log("write " + slot); }
  void StopCards() override { Log("stop"); }
  bool Record(const TCardRecord& record) override {
    Log("record " + record.Slot + " " + VerdictName(record.Verdict));
    return LogWorks;
  }
  void Sound(bool passed) override { Log(passed ? "tone+" : "alarm"); }
  void ShowSlot(const std::string&, const TDriveDetails&, TSlotShows, const TCardRecord*) override {
  }
  void ShowCounts(const TStationCounts&) override {}
  void Say(const std::string&) override {}

  std::string Events;
  bool LogWorks = true;

 private:
  void Log(const std::string& event) { Events += (Events.empty() ? "" : "; ") + event; }
};

// One step of a scenario. Cards go in and out of slots; time passes in steps the station looks
// at the drives and starts what has settled; jobs end as the row says.
struct TAction {
  enum { In, Out, Wait, Pass, Fail, Stopped, CtrlC, BreakLog } Kind;
  std::string Slot;
  std::uint64_t Size = EightGb;
};
TAction In(std::string slot, std::uint64_t size = EightGb) {
  return {TAction::In, slot, size};
}
TAction Out(std::string slot) {
  return {TAction::Out, slot};
}
TAction Pass(std::string slot) {
  return {TAction::Pass, slot};
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
    for (const std::string& slot : scenario.InAtStart) Cards[slot] = {EightGb, ++Media};
    Look();
  }
  void Do(const TAction& action) {
    TCardResult result;
    switch (action.Kind) {
      case TAction::In:  // each card put in is a new medium
        Cards[action.Slot] = {action.Size, ++Media};
        return Look();
      case TAction::Out:
        Cards.erase(action.Slot);
        return Look();
      case TAction::Wait:  // longer than the settle; the drives are looked at meanwhile
        for (int tick = 0; tick < 5; ++tick) {
          Now += 100ms;
          Look();
          Station.Tick(Now);
        }
        return;
      case TAction::Pass:
        result.Passed = true;
        return Station.CardEnded(action.Slot, result);
      case TAction::Fail:
        return Station.CardEnded(action.Slot, result);
      case TAction::Stopped:
        result.Stopped = true;
        return Station.CardEnded(action.Slot, result);
      case TAction::CtrlC:
        return Station.Stop();
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
      drives.push_back({.Entry = slot + "1",
                        .SizeBytes = card.first,
                        .Slot = slot,
                        .MediaSequence = card.second});
    drives.push_back({.Entry = "sdz", .SizeBytes = 0, .Slot = "empty reader"});
    Station.DrivesSeen(drives, Now);
  }
  std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> Cards;  // size, medium
  std::uint64_t Media = 0;
  TStationClock::time_point Now;
};

const TStationRules Defaults{};
const TStationRules CountOne{.Count = 1};
const TStationRules Present{.WritePresent = true};
const TStationRules OneTo32Gb{.MinSize = 1'000'000'000, .MaxSize = 32'000'000'000};

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
  const std::chrono::system_clock::time_point time{std::chrono::seconds(1'796'790'605)};

  const std::string line = FormatRecord(record, {time, "bench-3", "1.1.0"});
  ASSERT_EQ(line.back(), '\n');
  ASSERT_EQ(line.find('\n'), line.size() - 1) << "one line per card";
  const nlohmann::json json = nlohmann::json::parse(line);
  EXPECT_EQ(json["time"], "2026-12-09T04:30:05Z");
  EXPECT_EQ(json["host"], "bench-3");
  EXPECT_EQ(json["version"], "1.1.0");
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
}

TEST(Sha256, MatchesTheStandardsVectors) {
  const auto digestOf = [](const std::string& text) {
    TSha256 sha;
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

}  // namespace
}  // namespace vorlane::cli
