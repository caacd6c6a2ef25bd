#include "cli/report/ReportOutput.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <ostream>

#include "drives/ShowableText.h"

namespace vorlane::cli {
namespace {

using TJson = nlohmann::ordered_json;

constexpr const char* StepNames[] = {"check", "write", "verify", "grade"};

std::string Shown(const std::string& text) {
  return text.empty() ? "(none)" : ShowableText(text);
}

std::string Rate(double megabytesPerSecond) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", megabytesPerSecond);
  return text;
}

// "12 cards: 10 passed, 1 failed (check 0, write 1, verify 0, grade 0), 1 refused, ..."
std::string DescribeCounts(const TCardCounts& counts) {
  std::string text = std::to_string(counts.Cards) + " cards: " + std::to_string(counts.Passed) +
                     " passed, " + std::to_string(counts.Failed) + " failed (";
  for (std::size_t step = 0; step < counts.FailedAt.size(); ++step)
    text += (step ? ", " : "") + std::string(StepNames[step]) + " " +
            std::to_string(counts.FailedAt[step]);
  const auto yield = counts.YieldPercent();
  return text + "), " + std::to_string(counts.Refused) + " refused, " +
         std::to_string(counts.Stopped) + " stopped, yield " +
         (yield ? std::to_string(*yield) + "%" : std::string("-"));
}

std::string DescribeSpeeds(const char* step, const TSpeedFigures& figures) {
  if (!figures.Median) return std::string(step) + ": no speed measured";
  return std::string(step) + ": median " + Rate(*figures.Median) + " MB/s, slowest " +
         Rate(*figures.Slowest) + " MB/s";
}

template <typename TGroups, typename TName>
void PrintGroups(std::ostream& out, const char* title, const TGroups& groups, TName name) {
  out << "\nby " << title << ":\n";
  for (const auto& [key, counts] : groups)
    out << "  " << name(key) << ": " << DescribeCounts(counts) << "\n";
}

std::string DescribeSlowCard(const TSlowCard& card, const std::vector<TLogCheck>& logs) {
  return Rate(card.WriteSpeed) + " MB/s write, " +
         (card.VerifySpeed ? Rate(*card.VerifySpeed) + " MB/s verify" : std::string("no verify")) +
         "  " + card.Time + " " + Shown(card.Host) + " slot " + Shown(card.Slot) + " " +
         Shown(card.Device) + " (" + logs[card.Place.Log].Name + " line " +
         std::to_string(card.Place.Line) + ")";
}

TJson OptionalJson(const auto& value) {
  return value ? TJson(*value) : TJson(nullptr);
}

TJson NameJson(const std::string& text) {
  return text.empty() ? TJson(nullptr) : TJson(text);
}

TJson CountsJson(const TCardCounts& counts) {
  TJson failedAt = TJson::object();
  for (std::size_t step = 0; step < counts.FailedAt.size(); ++step)
    failedAt[StepNames[step]] = counts.FailedAt[step];
  return {{"cards", counts.Cards},
          {"passed", counts.Passed},
          {"failed", counts.Failed},
          {"failedAt", failedAt},
          {"refused", counts.Refused},
          {"stopped", counts.Stopped},
          {"yieldPercent", OptionalJson(counts.YieldPercent())}};
}

TJson GroupsJson(const std::map<std::string, TCardCounts>& groups, const char* name) {
  TJson list = TJson::array();
  for (const auto& [key, counts] : groups) {
    TJson group = {{name, NameJson(key)}};
    group.update(CountsJson(counts));
    list.push_back(group);
  }
  return list;
}

TJson SlotsJson(const std::map<TSlotKey, TCardCounts>& slots) {
  TJson list = TJson::array();
  for (const auto& [key, counts] : slots) {
    TJson slot = {{"host", key.first}, {"slot", key.second}};
    slot.update(CountsJson(counts));
    list.push_back(slot);
  }
  return list;
}

TJson SpeedsJson(const TSpeedFigures& figures) {
  return {{"median", OptionalJson(figures.Median)}, {"slowest", OptionalJson(figures.Slowest)}};
}

TJson LogsJson(const std::vector<TLogCheck>& logs) {
  TJson list = TJson::array();
  for (const TLogCheck& log : logs)
    list.push_back({{"file", log.Name},
                    {"records", log.Records},
                    {"linesNotRecords", log.Unreadable},
                    {"brokenLinks", log.BrokenLinks},
                    {"firstBrokenLink", OptionalJson(log.FirstBrokenLink)},
                    {"readError", log.ReadError.empty() ? TJson(nullptr) : TJson(log.ReadError)}});
  return list;
}

TJson WarningsJson(const std::vector<TReaderWarning>& warnings) {
  TJson list = TJson::array();
  for (const TReaderWarning& warning : warnings)
    list.push_back({{"host", warning.Host},
                    {"slot", warning.Slot},
                    {"cards", warning.There.Passed + warning.There.Failed},
                    {"failed", warning.There.Failed},
                    {"otherCards", warning.Elsewhere.Passed + warning.Elsewhere.Failed},
                    {"otherFailed", warning.Elsewhere.Failed}});
  return list;
}

TJson SlowestJson(const std::vector<TSlowCard>& cards, const std::vector<TLogCheck>& logs) {
  TJson list = TJson::array();
  for (const TSlowCard& card : cards)
    list.push_back({{"file", logs[card.Place.Log].Name},
                    {"line", card.Place.Line},
                    {"time", card.Time},
                    {"host", card.Host},
                    {"slot", card.Slot},
                    {"device", card.Device},
                    {"writeMegabytesPerSecond", card.WriteSpeed},
                    {"verifyMegabytesPerSecond", OptionalJson(card.VerifySpeed)}});
  return list;
}

// RFC 4180 quoting, and a text a spreadsheet would take for a formula is kept as text.
std::string CsvField(const std::string& text) {
  std::string field = ShowableText(text);
  if (!field.empty() && std::string_view("=+-@").find(field.front()) != std::string_view::npos)
    field = "'" + field;
  if (field.find_first_of(",\"") == std::string::npos) return field;
  std::string quoted = "\"";
  for (const char c : field) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string CsvRate(const TRecordSpeed& speed) {
  if (!speed.Measured()) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", speed.MegabytesPerSecond);
  return text;
}

}  // namespace

std::string DescribeLogCheck(const TLogCheck& log) {
  std::string text = log.Name + ": " + std::to_string(log.Records) + " records";
  if (log.Intact()) return text + ", chain intact";
  if (log.Unreadable) text += ", " + std::to_string(log.Unreadable) + " lines that are no record";
  if (log.BrokenLinks)
    text += ", " + std::to_string(log.BrokenLinks) + " broken links, the first at line " +
            std::to_string(*log.FirstBrokenLink);
  if (!log.ReadError.empty()) text += ", not read to its end: " + log.ReadError;
  return text;
}

std::string DescribeWarning(const TReaderWarning& warning) {
  return "check the reader in slot " + Shown(warning.Slot) + " of station " + Shown(warning.Host) +
         ": " + std::to_string(warning.There.Failed) + " of " +
         std::to_string(warning.There.Passed + warning.There.Failed) + " cards failed there, " +
         std::to_string(warning.Elsewhere.Failed) + " of " +
         std::to_string(warning.Elsewhere.Passed + warning.Elsewhere.Failed) +
         " in its other slots";
}

void PrintReport(std::ostream& out, const std::vector<TLogCheck>& logs,
                 const TReportSummary& summary) {
  for (const TLogCheck& log : logs) out << DescribeLogCheck(log) << "\n";
  out << "all: " << DescribeCounts(summary.Total()) << "\n"
      << DescribeSpeeds("write", summary.WriteSpeeds()) << "\n"
      << DescribeSpeeds("verify", summary.VerifySpeeds()) << "\n";
  PrintGroups(out, "batch", summary.ByBatch(), Shown);
  PrintGroups(out, "operator", summary.ByOperator(), Shown);
  PrintGroups(out, "station", summary.ByStation(), Shown);
  PrintGroups(out, "slot", summary.BySlot(),
              [](const TSlotKey& key) { return Shown(key.first) + " " + Shown(key.second); });
  const std::vector<TReaderWarning> warnings = summary.ReaderWarnings();
  if (!warnings.empty()) out << "\n";
  for (const TReaderWarning& warning : warnings) out << DescribeWarning(warning) << "\n";
  const std::vector<TSlowCard> slowest = summary.SlowestCards();
  if (!slowest.empty()) out << "\nslowest cards:\n";
  for (const TSlowCard& card : slowest) out << "  " << DescribeSlowCard(card, logs) << "\n";
  out.flush();
}

void PrintReportJson(std::ostream& out, const std::vector<TLogCheck>& logs,
                     const TReportSummary& summary) {
  const bool intact = std::ranges::all_of(logs, &TLogCheck::Intact);
  const TJson json = {{"logs", LogsJson(logs)},
                      {"intact", intact},
                      {"cards", CountsJson(summary.Total())},
                      {"byBatch", GroupsJson(summary.ByBatch(), "batch")},
                      {"byOperator", GroupsJson(summary.ByOperator(), "operator")},
                      {"byStation", GroupsJson(summary.ByStation(), "host")},
                      {"bySlot", SlotsJson(summary.BySlot())},
                      {"writeMegabytesPerSecond", SpeedsJson(summary.WriteSpeeds())},
                      {"verifyMegabytesPerSecond", SpeedsJson(summary.VerifySpeeds())},
                      {"readerWarnings", WarningsJson(summary.ReaderWarnings())},
                      {"slowestCards", SlowestJson(summary.SlowestCards(), logs)}};
  // A log's strings may be any bytes: those that are no UTF-8 are replaced, never a throw.
  out << json.dump(2, ' ', false, TJson::error_handler_t::replace) << std::endl;
}

void PrintCsvHeader(std::ostream& out) {
  out << "time,host,batch,operator,slot,device,reader,sizeBytes,cid,segment1Sha256,"
         "segment2Sha256,result,failingStep,writeMBps,verifyMBps\n";
}

void PrintCsvRow(std::ostream& out, const TReportRecord& record) {
  std::string reader = record.Vendor + (record.Model.empty() ? "" : " " + record.Model);
  if (!record.Serial.empty()) reader += ", serial " + record.Serial;
  out << CsvField(record.Time) << ',' << CsvField(record.Host) << ',' << CsvField(record.Batch)
      << ',' << CsvField(record.Operator) << ',' << CsvField(record.Slot) << ','
      << CsvField(record.Device) << ',' << CsvField(reader) << ',' << record.SizeBytes << ','
      << CsvField(record.Cid) << ',' << record.Sha256[0] << ',' << record.Sha256[1] << ','
      << VerdictName(record.Result) << ','
      << (record.FailedStep ? StepName(*record.FailedStep) : "") << ',' << CsvRate(record.Write)
      << ',' << CsvRate(record.Verify) << '\n';
}

}  // namespace vorlane::cli
