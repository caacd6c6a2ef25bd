// One line of a station log, read back: the fields a report needs, each checked for its type.
// A log is input from disk: damaged, cut off or written by hand, so every line is judged.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cli/CardRun.h"
#include "cli/report/JsonScan.h"
#include "cli/station/StationRecord.h"

namespace vorlane::cli {

struct TRecordSpeed {
  double MegabytesPerSecond = 0;
  std::uint64_t Bytes = 0;
  // Only a step that moved bytes in measurable time has a speed worth ranking.
  bool Measured() const { return Bytes > 0 && MegabytesPerSecond > 0; }
};

// How a line links to the one before it: no previous field at all (written before the chain
// began), null (a log's first line), or the SHA-256 of the line before.
enum class TRecordLink { Unlinked, First, To };

struct TReportRecord {
  std::string Time;  // "2026-12-09T04:30:05Z": sorts as it reads
  std::string Host, Operator, Batch, Slot, Device;
  std::string Vendor, Model, Serial;  // the reader's
  std::string Cid;
  std::uint64_t SizeBytes = 0;
  std::array<std::string, 2> Sha256;  // of segment 1's and 2's files; empty where not given
  TCardVerdict Result = TCardVerdict::Failed;
  std::optional<TStepKind> FailedStep;
  TRecordSpeed Write, Verify;
  TRecordLink Link = TRecordLink::Unlinked;
  std::string Previous;  // with TRecordLink::To
};

// Reads one line, without its newline, into record (reusing its storage). False, with why,
// where the line is no record: not JSON, not an object, no time or result, or a known field of
// another type than a station writes. Fields it does not know are passed over.
bool ParseRecordLine(std::string_view line, TReportRecord& record, std::string& why);

// The same for line after line, keeping its working storage between them.
class TRecordReader {
 public:
  bool Read(std::string_view line, TReportRecord& record, std::string& why);

 private:
  TJsonScanner Scanner;
};

}  // namespace vorlane::cli
