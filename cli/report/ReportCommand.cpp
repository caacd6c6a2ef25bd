// report: the logs are read side by side, each in its own order, and their records merged by
// time, so several stations' logs for one day read as one day.
#include <algorithm>
#include <memory>
#include <ostream>
#include <queue>

#include "cli/Usage.h"
#include "cli/report/Report.h"
#include "cli/report/ReportOutput.h"

namespace vorlane::cli {
namespace {

// Each open log holds one chunk in memory: many logs share a budget, none gets less than a
// line's worth.
std::size_t ChunkBytesFor(std::size_t logs) {
  return std::clamp<std::size_t>((64u << 20) / std::max<std::size_t>(logs, 1), 128u << 10,
                                 1u << 20);
}

std::vector<TLogCheck> ChecksOf(const std::vector<std::unique_ptr<TCheckedLog>>& logs) {
  std::vector<TLogCheck> checks;
  for (const auto& log : logs) checks.push_back(log->Check());
  return checks;
}

}  // namespace

int RunReport(const TCommandContext& context, const TReportOptions& options) {
  if (options.Logs.empty()) throw TUsageError("report: give at least one log");
  const auto problem = [&context](const std::string& line) { context.Err << line << "\n"; };
  std::vector<std::unique_ptr<TCheckedLog>> logs;
  for (const std::string& name : options.Logs)
    logs.push_back(
        std::make_unique<TCheckedLog>(name, ChunkBytesFor(options.Logs.size()), problem));

  // The log whose next record is the earliest comes first; among equals, the one named first.
  const auto later = [&logs](std::size_t a, std::size_t b) {
    const int order = logs[a]->Record().Time.compare(logs[b]->Record().Time);
    return order != 0 ? order > 0 : a > b;
  };
  std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(later)> next(later);
  for (std::size_t log = 0; log < logs.size(); ++log)
    if (logs[log]->Advance()) next.push(log);

  const bool csv = options.Format == TReportFormat::Csv;
  if (csv) PrintCsvHeader(context.Out);
  TReportSummary summary;
  while (!next.empty()) {
    const std::size_t log = next.top();
    next.pop();
    summary.Add(logs[log]->Record(), {log, logs[log]->Line()});
    if (csv) PrintCsvRow(context.Out, logs[log]->Record());
    if (logs[log]->Advance()) next.push(log);
  }

  const std::vector<TLogCheck> checks = ChecksOf(logs);
  if (options.Format == TReportFormat::Summary)
    PrintReport(context.Out, checks, summary);
  else if (options.Format == TReportFormat::Json)
    PrintReportJson(context.Out, checks, summary);
  else
    for (const TLogCheck& check : checks) context.Err << DescribeLogCheck(check) << "\n";
  context.Out.flush();
  context.Err.flush();
  return std::ranges::all_of(checks, &TLogCheck::Intact) ? ExitPassed : ExitCardFailed;
}

}  // namespace vorlane::cli
