#pragma once

#include <string>
#include <vector>

#include "cli/CommandContext.h"
#include "cli/SegmentFiles.h"
#include "cli/Targets.h"

namespace vorlane::cli {

// Before block devices are written: lists them (entry, size, model) and asks on the terminal.
// assumeYes (--yes) skips the question. Throws TUsageError when there is no terminal to ask on,
// or the answer is not "y" or "yes" in any case: an empty answer and end of input refuse too.
// Card image files need no confirmation. what names the sectors overwritten.
void ConfirmOverwrite(const TCommandContext& context, const std::vector<TTarget>& targets,
                      const std::string& what, bool assumeYes);

// The same, naming the test sector and the segments; where wholeCardFirst, the whole card too.
void ConfirmWrite(const TCommandContext& context, const std::vector<TTarget>& targets,
                  const std::vector<TSegmentChoice>& segments, bool assumeYes,
                  bool wholeCardFirst = false);

}  // namespace vorlane::cli
