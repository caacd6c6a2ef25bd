#pragma once

#include <cerrno>
#include <system_error>

namespace vorlane {

// The system's error for the call that just failed: read errno before anything else can change
// it.
inline std::error_code LastError() {
  return {errno, std::system_category()};
}

}  // namespace vorlane
