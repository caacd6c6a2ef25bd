// Processors without SHA instructions this build knows: the portable rounds do every block.
#include "card/Sha256Blocks.h"

namespace vorlane {

bool CompressWithShaInstructions(std::uint32_t*, const std::uint8_t*, std::size_t) {
  return false;
}

}  // namespace vorlane
