#include "cli/report/LogCheck.h"

namespace vorlane::cli {
namespace {

// A damaged log can hold a million bad lines: the first few are named, the rest counted.
constexpr std::uint64_t BadLinesNamed = 10;

}  // namespace

std::string TChainCheck::Follow(const TLogLine& line, const TReportRecord* record) {
  std::string broken;
  const std::string before = std::to_string(line.Number - 1);
  if (!record || record->Link == TRecordLink::Unlinked) {
    if (record && Linked) broken = "it carries no link, though the lines before it do";
  } else if (record->Link == TRecordLink::First) {
    if (Before) broken = "its link says it is the log's first line";
    Linked = true;
  } else {
    if (!Before)
      broken = "it links to a line before it, and there is none: lines were removed";
    else if (record->Previous != *Before)
      broken = "its link is not the SHA-256 of line " + before;
    Linked = true;
  }
  Before = line.Digest;
  return broken;
}

TCheckedLog::TCheckedLog(std::string name, std::size_t chunkBytes,
                         std::function<void(const std::string&)> problem)
    : Lines(name, chunkBytes), Problem(std::move(problem)) {
  Found.Name = std::move(name);
}

bool TCheckedLog::Advance() {
  std::string why;
  while (Lines.Next(Read)) {
    bool isRecord = false;
    if (Read.CutOff)
      NoRecord("it is cut off: no newline ends it");
    else if (Read.TooLong)
      NoRecord("it is longer than any record");
    else if (!(isRecord = Reader.Read(Read.Text, Current, why)))
      NoRecord(why);
    const std::string broken = Chain.Follow(Read, isRecord ? &Current : nullptr);
    if (!broken.empty() && Found.BrokenLinks++ == 0) {
      Found.FirstBrokenLink = Read.Number;
      Problem(Found.Name + " line " + std::to_string(Read.Number) +
              ": the chain is broken: " + broken);
    }
    if (isRecord) {
      ++Found.Records;
      return true;
    }
  }
  Found.ReadError = Lines.Error();
  if (!Found.ReadError.empty())
    Problem(Found.Name + ": cannot be read" +
            (Read.Number > 0 ? " after line " + std::to_string(Read.Number) : std::string()) +
            ": " + Found.ReadError);
  return false;
}

void TCheckedLog::NoRecord(const std::string& why) {
  if (Found.Unreadable++ < BadLinesNamed)
    Problem(Found.Name + " line " + std::to_string(Read.Number) + " is no record: " + why);
}

}  // namespace vorlane::cli
