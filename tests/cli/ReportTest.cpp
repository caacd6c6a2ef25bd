// vorlane-cli report on logs the station's own formatter writes, then damaged as a log on disk
// gets damaged: what it finds, how it sums up, and what it prints for people, spreadsheets and
// scripts.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "cli/Usage.h"
#include "cli/report/Report.h"
#include "cli/station/StationRecord.h"
#include "tests/card/WavFiles.h"
#include "tests/cli/FakeContext.h"

namespace vorlane::cli {
namespace {

using TLines = std::vector<std::string>;

struct TCard {
  const char* Slot;
  TCardVerdict Verdict = TCardVerdict::Passed;
  std::optional<TStepKind> Step{};  // where it failed
  double WriteSpeed = 20;
  const char* Vendor = "Generic";
};

// The lines a station named host writes for these cards, a minute apart from minute.
TLines Chain(const char* host, const std::vector<TCard>& cards, int minute = 0) {
  TLines lines;
  std::optional<std::string> previous;
  for (const TCard& card : cards) {
    TCardRecord record;
    record.Slot = card.Slot;
    record.Device = "/dev/sdb1";
    record.Drive = {.Entry = "sdb1",
                    .SizeBytes = 7'948'206'080,
                    .Vendor = card.Vendor,
                    .Model = "STORAGE DEVICE",
                    .Serial = "0001"};
    record.Segments = {{TSegment::One, "hello.wav", 5'424'344, std::string(64, 'a')}};
    record.Verdict = card.Verdict;
    if (card.Step) record.Failure = TCardFailure{{*card.Step, TSegment::One, 0}, {}, "I/O error"};
    record.Writing = {1, static_cast<std::uint64_t>(card.WriteSpeed * 1e6)};
    record.Verifying = {0.5, 20'000'000};
    const std::chrono::system_clock::time_point time{std::chrono::seconds(1'796'803'200) +
                                                     std::chrono::minutes(minute)};
    minute += 2;
    std::string line = FormatRecord(record, {time, host, "1.1.0", "王芳", "B-0412"}, previous);
    line.pop_back();
    previous = LineDigest(line);
    lines.push_back(std::move(line));
  }
  return lines;
}

std::vector<TCard> Slot(const char* slot, int passed, int failed) {
  std::vector<TCard> cards(passed, TCard{slot});
  cards.insert(cards.end(), failed, TCard{slot, TCardVerdict::Failed, TStepKind::Write});
  return cards;
}

std::vector<TCard> Joined(std::initializer_list<std::vector<TCard>> groups) {
  std::vector<TCard> cards;
  for (const auto& group : groups) cards.insert(cards.end(), group.begin(), group.end());
  return cards;
}

TLines Edited(TLines lines, std::size_t index) {
  lines[index].replace(lines[index].find("\"passed\""), 8, "\"failed\"");
  return lines;
}

TLines Removed(TLines lines, std::size_t index) {
  lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(index));
  return lines;
}

TLines Swapped(TLines lines, std::size_t a, std::size_t b) {
  std::swap(lines[a], lines[b]);
  return lines;
}

// A log's bytes: each line ended by a newline.
std::string Log(const TLines& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\n";
  return bytes;
}

// Damage a disk or a hand gives a log: a stray line, one of 70 KB, a last line cut off.
std::string Damaged(TLines lines) {
  lines.insert(lines.begin() + 1, "garbage");
  lines.insert(lines.begin() + 3, std::string(70'000, '['));
  return Log(lines) + "{\"time\": \"2026-12-09T08:0";
}

const TLines Day = Chain("bench-1", Joined({Slot("1-1.2", 5, 0), Slot("1-1.3", 1, 0)}));
const TLines Early = Chain("bench-1", {{"1-1.2"},
                                       {"1-1.3", TCardVerdict::Failed, TStepKind::Write},
                                       {"1-1.2", TCardVerdict::Passed, {}, 3.5}});
const TLines Late = Chain("bench-2",
                          {{"1-1.2", TCardVerdict::Passed, {}, 20, "=HYPERLINK(\"x\")"},
                           {"1-1.3", TCardVerdict::Refused, TStepKind::Check}},
                          1);
// 1-1.4 fails 3 of 10, just twice the rest's 3 of 20; 1-1.5 fails 2 of 2, too few to tell.
const TLines FailingReader = Chain("bench-1", Joined({Slot("1-1.2", 9, 1), Slot("1-1.3", 8, 0),
                                                      Slot("1-1.4", 7, 3), Slot("1-1.5", 0, 2)}));

// The JSON document's fields, object keys joined by '.', an array's items as "[]".
void CollectFields(const nlohmann::json& json, const std::string& path,
                   std::set<std::string>& fields) {
  if (json.is_object()) {
    for (const auto& [key, value] : json.items())
      CollectFields(value, path.empty() ? key : path + "." + key, fields);
  } else if (json.is_array()) {
    for (const auto& item : json) CollectFields(item, path + "[]", fields);
  } else {
    fields.insert(path);
  }
}

std::set<std::string> PinnedFields() {
  const std::vector<std::string> counts = {
      "cards",           "passed",         "failed",  "failedAt.check", "failedAt.write",
      "failedAt.verify", "failedAt.grade", "refused", "stopped",        "yieldPercent"};
  std::set<std::string> fields = {"intact",
                                  "writeMegabytesPerSecond.median",
                                  "writeMegabytesPerSecond.slowest",
                                  "verifyMegabytesPerSecond.median",
                                  "verifyMegabytesPerSecond.slowest",
                                  "byBatch[].batch",
                                  "byOperator[].operator",
                                  "byStation[].host",
                                  "bySlot[].host",
                                  "bySlot[].slot"};
  for (const char* field :
       {"file", "records", "linesNotRecords", "brokenLinks", "firstBrokenLink", "readError"})
    fields.insert(std::string("logs[].") + field);
  for (const char* field : {"host", "slot", "cards", "failed", "otherCards", "otherFailed"})
    fields.insert(std::string("readerWarnings[].") + field);
  for (const char* field : {"file", "line", "time", "host", "slot", "device",
                            "writeMegabytesPerSecond", "verifyMegabytesPerSecond"})
    fields.insert(std::string("slowestCards[].") + field);
  for (const std::string& count : counts) {
    fields.insert("cards." + count);
    for (const char* group : {"byBatch[].", "byOperator[].", "byStation[].", "bySlot[]."})
      fields.insert(group + count);
  }
  return fields;
}

struct TReportCase {
  const char* Name;
  std::vector<std::optional<std::string>> Logs;  // their bytes; none: the file is missing
  TReportFormat Format;
  int ExitCode;
  std::vector<std::string> Out;  // texts standard output holds
  std::vector<std::string> Err;
  std::vector<std::string> NeverOut{};
  friend void PrintTo(const TReportCase& c, std::ostream* out) { *out << c.Name; }
};

class Report : public ::testing::TestWithParam<TReportCase> {};

TEST_P(Report, FindsAndSumsUpWhatTheLogsHold) {
  const TReportCase& c = GetParam();
  testing::TTempFolder folder;
  testing::TFakeSystem fakes;
  TReportOptions options{{}, c.Format};
  for (const std::optional<std::string>& bytes : c.Logs) {
    const std::string name = "cards-" + std::to_string(options.Logs.size() + 1) + ".jsonl";
    options.Logs.push_back((folder.Path() / name).string());
    if (bytes) std::ofstream(options.Logs.back(), std::ios::binary) << *bytes;
  }
  const TCommandContext context = fakes.Context();

  const int exitCode = ExitCodeOf(context, [&] { return RunReport(context, options); });

  const std::string out = fakes.Out.str(), err = fakes.Err.str();
  EXPECT_EQ(exitCode, c.ExitCode) << out << err;
  for (const std::string& text : c.Out)
    EXPECT_NE(out.find(text), std::string::npos) << text << "\n" << out;
  for (const std::string& text : c.Err)
    EXPECT_NE(err.find(text), std::string::npos) << text << "\n" << err;
  for (const std::string& text : c.NeverOut) EXPECT_EQ(out.find(text), std::string::npos) << text;
  if (c.Format == TReportFormat::Json) {
    std::set<std::string> fields;
    CollectFields(nlohmann::json::parse(out), "", fields);
    EXPECT_EQ(fields, PinnedFields());
  }
  if (c.Format == TReportFormat::Csv) {  // merged by time: each row no earlier than the last
    std::istringstream rows(out);
    std::string row, last;
    std::getline(rows, row);
    while (std::getline(rows, row)) {
      EXPECT_LE(last, row.substr(0, 20)) << row;
      last = row.substr(0, 20);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Logs, Report,
    ::testing::Values(
        TReportCase{"IntactLogChecksAndSumsUp",
                    {Log(Day)},
                    TReportFormat::Summary,
                    ExitPassed,
                    {"cards-1.jsonl: 6 records, chain intact",
                     "all: 6 cards: 6 passed, 0 failed (check 0, write 0, verify 0, grade 0), "
                     "0 refused, 0 stopped, yield 100%",
                     "write: median 20.0 MB/s, slowest 20.0 MB/s", "by batch:\n  B-0412: 6 cards",
                     "by operator:\n  王芳: 6 cards", "by slot:\n  bench-1 1-1.2: 5 cards"},
                    {}},
        TReportCase{"EditedLineBreaksTheNextLink",
                    {Log(Edited(Day, 1))},
                    TReportFormat::Summary,
                    1,
                    {"cards-1.jsonl: 6 records, 1 broken links, the first at line 3"},
                    {"cards-1.jsonl line 3: the chain is broken: its link is not the SHA-256 of "
                     "line 2"}},
        TReportCase{"RemovedLineBreaksTheChainWhereItWas",
                    {Log(Removed(Day, 2))},
                    TReportFormat::Summary,
                    1,
                    {"5 records, 1 broken links, the first at line 3"},
                    {"cards-1.jsonl line 3: the chain is broken"}},
        TReportCase{"RemovedFirstLineBreaksTheChainAtTheStart",
                    {Log(Removed(Day, 0))},
                    TReportFormat::Summary,
                    1,
                    {"the first at line 1"},
                    {"line 1: the chain is broken: it links to a line before it, and there is "
                     "none"}},
        TReportCase{"SwappedLinesBreakTheChain",
                    {Log(Swapped(Day, 3, 4))},
                    TReportFormat::Summary,
                    1,
                    {"the first at line 4"},
                    {"cards-1.jsonl line 4: the chain is broken"}},
        TReportCase{"ReaderFailingTwiceAsOftenIsFlagged",
                    {Log(FailingReader)},
                    TReportFormat::Summary,
                    ExitPassed,
                    {"check the reader in slot 1-1.4 of station bench-1: 3 of 10 cards failed "
                     "there, 3 of 20 in its other slots"},
                    {},
                    {"slot 1-1.5 of", "slot 1-1.2 of"}},
        TReportCase{"TwoStationsSumUpAsOneDay",
                    {Log(Early), Log(Late)},
                    TReportFormat::Summary,
                    ExitPassed,
                    {"all: 5 cards: 3 passed, 1 failed (check 0, write 1, verify 0, grade 0), 1 "
                     "refused, 0 stopped, yield 60%",
                     "by station:\n  bench-1: 3 cards: 2 passed, 1 failed (check 0, write 1, "
                     "verify 0, grade 0), 0 refused, 0 stopped, yield 67%",
                     "slowest cards:\n  3.5 MB/s write, 40.0 MB/s verify  2026-12-09T08:04:00Z "
                     "bench-1 slot 1-1.2 /dev/sdb1 (",
                     "cards-1.jsonl line 3)"},
                    {}},
        TReportCase{
            "CsvHasARowPerCardInTimeOrder",
            {Log(Early), Log(Late)},
            TReportFormat::Csv,
            ExitPassed,
            {"time,host,batch,operator,slot,device,reader,sizeBytes,cid,segment1Sha256,"
             "segment2Sha256,result,failingStep,writeMBps,verifyMBps\n",
             "\n2026-12-09T08:01:00Z,bench-2,B-0412,王芳,1-1.2,/dev/sdb1,\"'=HYPERLINK(\"\""
             "x\"\") STORAGE DEVICE, serial 0001\",7948206080,," +
                 std::string(64, 'a') + ",,passed,,20.00,40.00\n"},
            {"cards-1.jsonl: 3 records, chain intact", "cards-2.jsonl: 2 records, chain intact"}},
        TReportCase{"JsonHoldsThePinnedFields",
                    {Log(FailingReader)},
                    TReportFormat::Json,
                    ExitPassed,
                    {"\"intact\": true"},
                    {}},
        TReportCase{
            "DamagedAndMissingLogsAreNamedAndTheRestIsRead",
            {Damaged(Day), std::nullopt},
            TReportFormat::Summary,
            1,
            {"cards-1.jsonl: 6 records, 3 lines that are no record, 2 broken links",
             "all: 6 cards"},
            {"cards-1.jsonl line 2 is no record: not JSON",
             "cards-1.jsonl line 4 is no record: it is longer than any record",
             "cards-1.jsonl line 9 is no record: it is cut off", "cards-2.jsonl: cannot be read"}}),
    [](const auto& row) { return std::string(row.param.Name); });

}  // namespace
}  // namespace vorlane::cli
