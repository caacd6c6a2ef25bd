// How vorlane-cli ends: its exit codes, and the error that ends it before any card is touched.
#pragma once

#include <stdexcept>

namespace vorlane::cli {

inline constexpr int ExitPassed = 0;      // every card took every segment and passed
inline constexpr int ExitCardFailed = 1;  // some card failed, or what was asked of it did
inline constexpr int ExitUsage = 2;       // a usage error or a file failing its check

// A mistake in what was asked: a bad argument, a drive that is not removable, a WAV file that
// fails its check, a missing confirmation. Raised before anything is written; what() is the
// line for standard error.
class TUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace vorlane::cli
