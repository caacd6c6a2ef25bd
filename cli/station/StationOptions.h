// What `vorlane-cli station` is told on its command line, and the command itself.
#pragma once

#include <optional>
#include <string>

#include "card/CapacityProof.h"
#include "cli/CommandContext.h"
#include "cli/SegmentFiles.h"
#include "cli/station/Station.h"

namespace vorlane::cli {

struct TStationOptions {
  TSegmentFiles Files;
  std::optional<std::string> Log;       // --log FILE: a JSON line per card
  std::optional<std::string> Operator;  // --operator, --batch: in every record
  std::optional<std::string> Batch;
  TStationRules Rules;
  bool Verify = true;
  bool Quiet = false;  // no tones
  // --check-capacity: each card's capacity is proved before its segments
  std::optional<TCapacityOptions> Capacity;
};

// Runs the station until Ctrl-C, SIGTERM or --count; returns the exit code.
int RunStation(const TCommandContext& context, const TStationOptions& options);

}  // namespace vorlane::cli
