// The program's commands. Each returns the exit code; a usage error is raised as TUsageError
// before anything is written.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "card/CardLayout.h"
#include "cli/CommandContext.h"
#include "cli/Station.h"

namespace vorlane::cli {

struct TSegmentFiles {
  std::optional<std::string> Segment1;  // -1 FILE
  std::optional<std::string> Segment2;  // -2 FILE
};

struct TStationOptions {
  TSegmentFiles Files;
  std::optional<std::string> Log;  // --log FILE: a JSON line per card
  TStationRules Rules;
  bool Verify = true;
  bool Quiet = false;  // no tones
};

int RunList(bool json);
int RunWrite(const TCommandContext& context, const TSegmentFiles& files,
             const std::vector<std::string>& drives, bool verify, bool assumeYes);
int RunVerify(const TCommandContext& context, const TSegmentFiles& files,
              const std::vector<std::string>& drives);
int RunInfo(const std::vector<std::string>& drives, bool json);
int RunStation(const TCommandContext& context, const TStationOptions& options);
int RunRead(TSegment segment, const std::string& drive, const std::string& output, bool force);

}  // namespace vorlane::cli
