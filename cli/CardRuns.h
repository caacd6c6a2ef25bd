// Several cards' work at once, as write, verify and check do it: each card on a thread of its
// own, their progress shown on context's streams, Ctrl-C stopping every card at its next
// transfer, then a summary line per card.
#pragma once

#include <optional>
#include <vector>

#include "card/CapacityProof.h"
#include "cli/CardRun.h"
#include "cli/CommandContext.h"

namespace vorlane::cli {

// Returns the exit code: ExitPassed when every card passed.
int RunCards(const TCommandContext& context, const std::vector<TTarget>& targets,
             const std::vector<TSegmentChoice>& segments, TRunMode mode,
             const std::optional<TCapacityOptions>& proveCapacity = std::nullopt);

}  // namespace vorlane::cli
