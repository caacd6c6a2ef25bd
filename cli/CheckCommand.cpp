// check: proves that every card keeps every byte it reports, each card on its own thread.
#include "cli/CapacityCheck.h"
#include "cli/CardRuns.h"
#include "cli/Commands.h"
#include "cli/Confirm.h"
#include "cli/Usage.h"

namespace vorlane::cli {

int RunCheck(const TCommandContext& context, const std::vector<std::string>& drives,
             const TCapacityOptions& options, bool assumeYes) {
  const std::vector<TTarget> targets =
      ResolveTargets(drives, context.RemovableDrives(), TMissingImage::Refuse);
  CheckProvable(targets, options);
  ConfirmOverwrite(context, targets, WholeCardWords, assumeYes);
  return RunCards(context, targets, {}, TRunMode::ProveOnly, options);
}

}  // namespace vorlane::cli
