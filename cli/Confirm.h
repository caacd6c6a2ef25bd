#pragma once

#include <vector>

#include "cli/CommandContext.h"
#include "cli/SegmentFiles.h"
#include "cli/Targets.h"

namespace vorlane::cli {

// Before block devices are written: lists them (entry, size, model) and asks on the terminal.
// assumeYes (--yes) skips the question. Throws TUsageError when there is no terminal to ask on,
// or the answer is not "y" or "yes" in any case: an empty answer and end of input refuse too.
// Card image files need no confirmation.
void ConfirmWrite(const TCommandContext& context, const std::vector<TTarget>& targets,
                  const std::vector<TSegmentChoice>& segments, bool assumeYes);

}  // namespace vorlane::cli
