// One line of a station log, as report and a starting station read it. A log is input from disk:
// damaged, cut off or hostile, so any bytes must be judged, quickly, without a crash.
#include <cmath>
#include <nlohmann/json.hpp>
#include <string_view>

#include "cli/report/RecordLine.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

using namespace vorlane::cli;
using vorlane::fuzz::Check;

class TIgnore final : public TJsonVisitor {
 public:
  void Visit(std::span<const TJsonStep>, const TJsonValue&) override {}
};

// The scanner reads JSON as a full parser does: what it takes is JSON, and the only JSON it
// refuses is nested deeper than any record, or behind a byte-order mark. (The full parser ends
// its input at a NUL byte, which is no JSON anywhere.)
void CheckAgainstAFullParser(std::string_view line) {
  static TJsonScanner scanner;
  TIgnore ignore;
  const bool scanned = scanner.Scan(line, ignore);
  if (line.find('\0') != std::string_view::npos) {
    Check(!scanned, "a NUL byte is no JSON");
    return;
  }
  const bool json = nlohmann::json::accept(line);
  Check(!scanned || json, "what the scanner reads is JSON");
  Check(scanned || !json || scanner.Problem().starts_with("nested too deeply") ||
            line.starts_with("\xEF\xBB\xBF"),
        "JSON the scanner refuses is too deep or behind a byte-order mark");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  CheckAgainstAFullParser(line);
  static TRecordReader reader;
  TReportRecord record;
  std::string why;
  const bool read = reader.Read(line, record, why);
  Check(read == why.empty(), "a line is a record exactly when nothing is wrong with it");
  if (!read) return 0;
  Check(record.Time.size() == 20 && record.Time.back() == 'Z', "a record's time is UTC");
  Check(record.Link != TRecordLink::To || record.Previous.size() == 64,
        "a link is a SHA-256 in hex");
  for (const TRecordSpeed* speed : {&record.Write, &record.Verify})
    Check(std::isfinite(speed->MegabytesPerSecond) && speed->MegabytesPerSecond >= 0,
          "a speed is a real number, never negative");
  for (const std::string& digest : record.Sha256)
    Check(digest.empty() || digest.size() == 64, "a file's digest is a SHA-256 in hex");
  return 0;
}
