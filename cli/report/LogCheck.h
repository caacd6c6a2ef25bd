// One station log being checked: every line must be a record, and every record's link must name
// the line before it. The records are handed on one at a time, in the log's order.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "cli/report/LogLines.h"
#include "cli/report/RecordLine.h"

namespace vorlane::cli {

// What the check found in one log.
struct TLogCheck {
  std::string Name;
  std::uint64_t Records = 0;
  std::uint64_t Unreadable = 0;  // lines that are no record
  std::uint64_t BrokenLinks = 0;
  std::optional<std::uint64_t> FirstBrokenLink;  // its line
  std::string ReadError;                         // why the log could not be read to its end
  bool Intact() const { return Unreadable == 0 && BrokenLinks == 0 && ReadError.empty(); }
};

// Follows a log's chain line by line. Lines written before the chain began carry no link at
// all; once one does, every later line must.
class TChainCheck {
 public:
  // What is wrong with the line's link (record: none where the line is no record); empty where
  // it holds.
  std::string Follow(const TLogLine& line, const TReportRecord* record);

 private:
  std::optional<std::string> Before;  // the digest of the line before
  bool Linked = false;
};

class TCheckedLog {
 public:
  // problem: called with a line for standard error for each problem worth a line.
  TCheckedLog(std::string name, std::size_t chunkBytes,
              std::function<void(const std::string&)> problem);
  // Reads on to the log's next record; false at its end.
  bool Advance();
  const TReportRecord& Record() const { return Current; }
  std::uint64_t Line() const { return Read.Number; }
  const TLogCheck& Check() const { return Found; }

 private:
  void NoRecord(const std::string& why);

  TLogLines Lines;
  TRecordReader Reader;
  TChainCheck Chain;
  TLogLine Read;
  TReportRecord Current;
  TLogCheck Found;
  std::function<void(const std::string&)> Problem;
};

}  // namespace vorlane::cli
