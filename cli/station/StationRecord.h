// The station's record of each card: one JSON object per line (JSON Lines), appended to the log
// and put on the disk before the card's slot shows its result.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
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
};

// Who wrote the record, and when.
struct TRecordStamp {
  std::chrono::system_clock::time_point Time;
  std::string Host;
  std::string Version;
};

// "2026-12-09T04:30:05Z"
std::string IsoTimeUtc(std::chrono::system_clock::time_point time);

// One line of JSON, ending in a newline. Every string a device gave goes in as ShowableText
// makes it, so the log shows what the terminal showed.
std::string FormatRecord(const TCardRecord& record, const TRecordStamp& stamp);

}  // namespace vorlane::cli
