// The program's commands. Each returns the exit code; a usage error is raised as TUsageError
// before anything is written.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "card/CapacityProof.h"
#include "card/CardLayout.h"
#include "cli/CommandContext.h"
#include "cli/SegmentFiles.h"

namespace vorlane::cli {

int RunList(const TCommandContext& context, bool json);
int RunWrite(const TCommandContext& context, const TSegmentFiles& files,
             const std::vector<std::string>& drives, bool verify, bool assumeYes,
             const std::optional<TCapacityOptions>& proveCapacity = std::nullopt);
int RunVerify(const TCommandContext& context, const TSegmentFiles& files,
              const std::vector<std::string>& drives);
// Proves that every card keeps every byte it reports, overwriting it whole.
int RunCheck(const TCommandContext& context, const std::vector<std::string>& drives,
             const TCapacityOptions& options, bool assumeYes);
int RunInfo(const TCommandContext& context, const std::vector<std::string>& drives, bool json);
int RunRead(const TCommandContext& context, TSegment segment, const std::string& drive,
            const std::string& output, bool force);

}  // namespace vorlane::cli
