#pragma once

#include <cstdint>
#include <string>

namespace vorlane {

// One voice segment's current choice. Armed once any checked file gave a non-zero length, and
// it stays armed for the rest of the run.
struct TSegmentSlot {
  std::string File;
  std::uint32_t DeclaredLength = 0;
  bool Armed = false;
};

}  // namespace vorlane
