#include "cli/station/StationLog.h"

#include <algorithm>
#include <vector>

#include "cli/Usage.h"
#include "cli/report/RecordLine.h"
#include "drives/FileAccess.h"

namespace vorlane::cli {
namespace {

// What the end of the log holds: at most the longest record line, its newline and the newline
// before it.
struct TLogTail {
  std::string Bytes;
  bool FromStart = true;  // the bytes begin at the log's first byte
};

TLogTail ReadTail(const std::string& path) {
  const TFileRead probe = ReadFileAt(path, 0, {});
  TLogTail tail;
  if (probe.Status == TFileRead::TStatus::Ok) {
    const std::uint64_t window = LongestRecordLine + 2;
    const std::uint64_t from = probe.FileBytes > window ? probe.FileBytes - window : 0;
    tail.Bytes.resize(static_cast<std::size_t>(probe.FileBytes - from));
    tail.FromStart = from == 0;
    const TFileRead read = ReadFileAt(
        path, from, {reinterpret_cast<std::uint8_t*>(tail.Bytes.data()), tail.Bytes.size()});
    if (read.Status == TFileRead::TStatus::Ok) {
      tail.Bytes.resize(read.Count);
      return tail;
    }
  }
  const std::string why = probe.Status == TFileRead::TStatus::NotRegular
                              ? "it is not a regular file"
                              : probe.Error.message();
  throw TUsageError(path + ": the log cannot be read: " + why);
}

// Only to name a damaged line: the log is counted through once.
std::uint64_t CountNewlines(const std::string& path) {
  std::vector<std::uint8_t> chunk(1 << 20);
  std::uint64_t newlines = 0;
  for (std::uint64_t offset = 0;;) {
    const TFileRead read = ReadFileAt(path, offset, chunk);
    if (read.Status != TFileRead::TStatus::Ok) return newlines;
    newlines +=
        static_cast<std::uint64_t>(std::count(chunk.begin(), chunk.begin() + read.Count, '\n'));
    offset += read.Count;
    if (read.Count < chunk.size()) return newlines;
  }
}

[[noreturn]] void RefuseLog(const std::string& path, bool cutOff, const std::string& what) {
  const std::uint64_t line = CountNewlines(path) + (cutOff ? 1 : 0);
  throw TUsageError(path + " line " + std::to_string(line) + " " + what +
                    "; the log is left as it is: keep it for vorlane-cli report, and give the "
                    "station a new --log");
}

// The digest of the log's last line, none for an empty log; refuses a log that does not end
// in a whole record.
std::optional<std::string> LastLineDigest(const std::string& path) {
  const TLogTail tail = ReadTail(path);
  if (tail.Bytes.empty()) return std::nullopt;
  if (tail.Bytes.back() != '\n') RefuseLog(path, true, "is cut off: no newline ends it");
  const std::string_view bytes(tail.Bytes.data(), tail.Bytes.size() - 1);
  const std::size_t newline = bytes.rfind('\n');
  if (newline == std::string_view::npos && !tail.FromStart)
    RefuseLog(path, false, "is longer than any record");
  const std::string_view line = bytes.substr(newline == std::string_view::npos ? 0 : newline + 1);
  TReportRecord record;
  std::string why;
  if (!ParseRecordLine(line, record, why)) RefuseLog(path, false, "is no record: " + why);
  return LineDigest(line);
}

}  // namespace

TRecordLog::TRecordLog(std::string path) : File(std::move(path)) {
  if (const std::error_code error = AppendDurably(File, ""))
    throw TUsageError(File + ": the record cannot be written: " + error.message());
  Previous = LastLineDigest(File);
}

std::error_code TRecordLog::Append(const TCardRecord& record, const TRecordStamp& stamp) {
  const std::string line = FormatRecord(record, stamp, Previous);
  if (const std::error_code error = AppendDurably(File, line)) return error;
  Previous = LineDigest(std::string_view(line).substr(0, line.size() - 1));
  return {};
}

}  // namespace vorlane::cli
