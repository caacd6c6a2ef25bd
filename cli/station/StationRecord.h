// The station's record of each card: one JSON object per line (JSON Lines), appended to the log
// and put on the disk before the card's slot shows its result. Each line carries the SHA-256 of
// the line before it, so a line edited, removed or moved afterwards breaks the chain there.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "card/CardLayout.h"
#include "cli/CardRun.h"
#include "drives/RemovableDrives.h"

namespace vorlane::cli {

// In the order of the slot lines' verdict words (StationDisplay.cpp).
enum class TCardVerdict { Passed, Failed, Refused, Stopped };

// "passed", "failed", "refused", "stopped"
const char* VerdictName(TCardVerdict verdict);

// What every card at the station was given.
struct TRecordedSegment {
  TSegment Segment = TSegment::One;
  std::string File;
  std::uint64_t DeclaredLength = 0;
  std::string Sha256;
};

struct TCardRecord {
  std::string Slot;
  std::string Device;  // the volume written: "/dev/sdb1"
  TDriveDetails Drive;
  std::vector<TRecordedSegment> Segments;
  TCardVerdict Verdict = TCardVerdict::Failed;
  std::string Words;  // the window's words for the result
  std::optional<TCardFailure> Failure;
  TStepTimes Writing;
  TStepTimes Verifying;
  std::optional<TCapacityCheck> Capacity;     // where the capacity proof ran
  std::optional<double> LongestStallSeconds;  // where the card stalled at all
};

// Who wrote the record, and when.
struct TRecordStamp {
  std::chrono::system_clock::time_point Time;
  std::string Host;
  std::string Version;
  std::optional<std::string> Operator{};  // --operator, --batch
  std::optional<std::string> Batch{};
};

// "check", "write", "verify", "grade"
const char* StepName(TStepKind kind);

// Decimal megabytes per second; 0 for a step that took no measurable time.
double MegabytesPerSecond(const TStepTimes& times);

// No record comes near this length; a longer line is damage, and is never held whole.
inline constexpr std::size_t LongestRecordLine = 64 << 10;

// What links a line to the one before it: the SHA-256 of its bytes, its newline not counted,
// in lower-case hex.
std::string LineDigest(std::string_view line);

// "2026-12-09T04:30:05Z"
std::string IsoTimeUtc(std::chrono::system_clock::time_point time);

// One line of JSON, ending in a newline, linked to the line before it by that line's digest
// (previous; none for a log's first line). Every string a device gave goes in as ShowableText
// makes it, so the log shows what the terminal showed.
std::string FormatRecord(const TCardRecord& record, const TRecordStamp& stamp,
                         const std::optional<std::string>& previous);

}  // namespace vorlane::cli
