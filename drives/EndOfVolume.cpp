#include "drives/Volume.h"

namespace vorlane {
namespace {

// A transfer that runs off the end of the volume moves fewer bytes than asked without the
// system calling it an error; this names that case so it reaches the log as what it is.
class TEndOfVolumeCategory final : public std::error_category {
 public:
  const char* name() const noexcept override { return "volume"; }
  std::string message(int) const override { return "the volume ended before the transfer did"; }
};

}  // namespace

std::error_code EndOfVolumeError() {
  static const TEndOfVolumeCategory category;
  return {1, category};
}

}  // namespace vorlane
