// vorlane-cli report: reads station logs, checks them (every line a record, every link whole),
// and sums them up for people, as JSON, or as a CSV row per card.
#pragma once

#include <string>
#include <vector>

#include "cli/CommandContext.h"

namespace vorlane::cli {

enum class TReportFormat { Summary, Json, Csv };

struct TReportOptions {
  std::vector<std::string> Logs;
  TReportFormat Format = TReportFormat::Summary;
};

// Exit code 0 where every log reads whole with its chain intact, 1 otherwise; the summary is
// printed either way, of every record that could be read.
int RunReport(const TCommandContext& context, const TReportOptions& options);

}  // namespace vorlane::cli
