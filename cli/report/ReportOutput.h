// How a report is printed: a summary for people, the same summary as one JSON document for
// scripts, or one CSV row per card for the quality office's spreadsheet. Every string a log
// holds is shown as ShowableText makes it: a log may be hostile.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/report/LogCheck.h"
#include "cli/report/ReportSummary.h"

namespace vorlane::cli {

// "cards.jsonl: 1834 records, chain intact"
std::string DescribeLogCheck(const TLogCheck& log);
// "check the reader in slot 1-1.3 of station bench-3: 4 of 10 cards failed there, ..."
std::string DescribeWarning(const TReaderWarning& warning);

void PrintReport(std::ostream& out, const std::vector<TLogCheck>& logs,
                 const TReportSummary& summary);
void PrintReportJson(std::ostream& out, const std::vector<TLogCheck>& logs,
                     const TReportSummary& summary);

void PrintCsvHeader(std::ostream& out);
void PrintCsvRow(std::ostream& out, const TReportRecord& record);

}  // namespace vorlane::cli
