#include "cli/report/LogLines.h"

#include <cstring>
#include <span>

#include "cli/station/StationRecord.h"
#include "drives/FileAccess.h"

namespace vorlane::cli {

TLogLines::TLogLines(std::string path, std::size_t chunkBytes)
    : Path(std::move(path)), Chunk(chunkBytes) {}

bool TLogLines::Next(TLogLine& line) {
  Carry.clear();
  CarryTooLong = false;
  bool started = false;
  for (;;) {
    if (Begin == End && !Fill()) {
      if (!started) return false;
      Finish(line, Carry, true);
      return true;
    }
    started = true;
    const char* const start = Chunk.data() + Begin;
    const auto* newline = static_cast<const char*>(std::memchr(start, '\n', End - Begin));
    const std::string_view part(start, newline ? newline - start : End - Begin);
    Sha.Update({reinterpret_cast<const std::uint8_t*>(part.data()), part.size()});
    Begin += part.size() + (newline ? 1 : 0);
    if (newline && Carry.empty() && !CarryTooLong) {  // the line lies whole in the chunk
      Finish(line, part, false);
      return true;
    }
    Keep(part);
    if (newline) {
      Finish(line, Carry, false);
      return true;
    }
  }
}

bool TLogLines::Fill() {
  if (Ended) return false;
  const TFileRead read = ReadFileAt(
      Path, Offset, std::span(reinterpret_cast<std::uint8_t*>(Chunk.data()), Chunk.size()));
  if (read.Status != TFileRead::TStatus::Ok) {
    Why = read.Status == TFileRead::TStatus::NotRegular ? "it is not a regular file"
                                                        : read.Error.message();
    Ended = true;
    return false;
  }
  Begin = 0;
  End = read.Count;
  Offset += read.Count;
  Ended = read.Count == 0;
  return !Ended;
}

void TLogLines::Keep(std::string_view part) {
  const std::size_t room = LongestRecordLine - Carry.size();
  if (part.size() > room) CarryTooLong = true;
  Carry.append(part.substr(0, room));
}

void TLogLines::Finish(TLogLine& line, std::string_view text, bool cutOff) {
  line.Number = ++Number;
  line.TooLong = CarryTooLong || text.size() > LongestRecordLine;
  line.Text = text.substr(0, LongestRecordLine);
  line.CutOff = cutOff;
  line.Digest = HexDigest(Sha.Finish());
  Sha = TSha256();
}

}  // namespace vorlane::cli
