// The station's log: one record per line, each appended and put on the disk before its card's
// slot shows the result, and each linked to the line before it. One log per station: two
// stations appending to one file would break each other's chain.
#pragma once

#include <optional>
#include <string>
#include <system_error>

#include "cli/station/StationRecord.h"

namespace vorlane::cli {

class TRecordLog {
 public:
  // Opens the log, creating it where missing, and reads its last line to go on with its chain.
  // Throws TUsageError where the log cannot be written or read, or where its last line is cut
  // off or no record, naming that line; the log is never rewritten.
  explicit TRecordLog(std::string path);

  // Appends the record, linked to the line before it; returns once the system has it on the
  // disk.
  std::error_code Append(const TCardRecord& record, const TRecordStamp& stamp);
  const std::string& Path() const { return File; }

 private:
  std::string File;
  std::optional<std::string> Previous;  // the last line's digest; none for an empty log
};

}  // namespace vorlane::cli
