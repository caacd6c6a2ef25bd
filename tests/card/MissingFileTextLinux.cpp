#include "tests/card/WavFiles.h"

namespace vorlane::testing {

std::string MissingFileText() {
  return "No such file or directory";
}

}  // namespace vorlane::testing
