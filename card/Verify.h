// Proves a segment stayed on the card: reads the segment's image back from the card and compares
// it with the image the file gives (file bytes, then 0x80 padding, SectorCount + 1 sectors).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <system_error>

#include "card/CardLayout.h"
#include "card/Outcome.h"
#include "card/TSegmentSlot.h"
#include "drives/Volume.h"

namespace vorlane {

// Matches stays first: an outcome given no result has ended well (TOutcome).
enum class TVerifyResult {
  Matches,         // every image sector holds what the file gives
  Differs,         // the card holds other bytes; CardOffset: the first sector that differs
  CardReadFailed,  // the card refused a read; CardOffset: the transfer's first byte
  FileReadFailed,  // the WAV file could no longer be read
  Stopped,         // asked to stop before the comparison ended
};

using TVerifyOutcome = TOutcome<TVerifyResult>;

// Reads of several megabytes keep a card streaming; the next read runs while one is compared.
inline constexpr std::size_t VerifyTransferSize = 4 << 20;

// Called with each new percentage of the image compared: at most 101 calls.
using TVerifyProgress = std::function<void(int percent)>;

// Compares the image of slot's file with what the card holds at the segment's sectors. Reads go
// through the volume, which bypasses every cache, so the card itself answers.
TVerifyOutcome VerifySegment(TVolume& volume, TSegment segment, const TSegmentSlot& slot,
                             const TVerifyProgress& progress, std::stop_token stop = {},
                             std::size_t transferSize = VerifyTransferSize);

// One line for a log: "/dev/sdb1: verifying segment 1: the card differs from the file's image
// at sector 8200".
std::string DescribeVerifyFailure(const std::string& volumePath, TSegment segment,
                                  const TVerifyOutcome& outcome);

}  // namespace vorlane
