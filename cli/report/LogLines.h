// A station log read line by line, in chunks, without ever holding more of it than one chunk and
// one record line: logs may be huge, cut off or hold no newline at all. Every line is hashed
// whole, as the chain links it, however long it is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "card/Sha256.h"

namespace vorlane::cli {

struct TLogLine {
  std::uint64_t Number = 0;  // from 1
  // The line without its newline; for a line longer than any record, only its beginning.
  // Valid until the next line is read.
  std::string_view Text;
  bool TooLong = false;
  bool CutOff = false;  // no newline ends it: the log's last line, cut off
  std::string Digest;   // of the whole line, as the next line's link names it
};

class TLogLines {
 public:
  TLogLines(std::string path, std::size_t chunkBytes);
  // The next line; false at the end of the log, or where it can no longer be read (Error).
  bool Next(TLogLine& line);
  // What stopped the reading early: the system's words; empty where nothing did.
  const std::string& Error() const { return Why; }

 private:
  bool Fill();
  void Keep(std::string_view part);
  void Finish(TLogLine& line, std::string_view text, bool cutOff);

  const std::string Path;
  std::vector<char> Chunk;
  std::size_t Begin = 0;
  std::size_t End = 0;
  std::uint64_t Offset = 0;  // the file byte after the chunk
  bool Ended = false;
  std::string Carry;  // a line's part from earlier chunks, up to the longest record
  bool CarryTooLong = false;
  TSha256 Sha;
  std::uint64_t Number = 0;
  std::string Why;
};

}  // namespace vorlane::cli
