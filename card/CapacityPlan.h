// Where the capacity proof writes and reads on a card of a given size: its window at the card's
// start, the flushes that push tags out of a card's cache, and its probes. Positions are card
// bytes, whole sectors; the proof itself is in CapacityProof.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "card/CapacityProof.h"
#include "card/CardLayout.h"

namespace vorlane {

// [Begin, End) on the card.
struct TByteRange {
  std::uint64_t Begin = 0;
  std::uint64_t End = 0;
  bool Overlaps(std::uint64_t first, std::uint64_t last) const {
    return first < End && last >= Begin;
  }
};

struct TCapacityPlan {
  std::uint64_t CardEnd = 0;  // the reported size in whole sectors
  // [0, Window): tags written after the probes, where a probe folded over the card's start lands.
  // As wide as the spread probes are apart, so the first probe past the real size lands in it.
  std::uint64_t Window = 0;
  std::uint64_t Flush = 0;  // more than the cache holds

  static TCapacityPlan For(std::uint64_t reportedBytes, const TCapacityOptions& options);

  // Written right after the window: pushes probes and window out of the card's cache.
  TByteRange FirstFlush() const { return {Window, Window + Flush}; }
  std::uint64_t LastSector() const { return CardEnd - SectorSize; }
  // The probes over the whole card: from the end of the first flush, a window apart, and the
  // card's last sector.
  std::vector<std::uint64_t> SpreadProbes() const;
  // The window's reads: the first sector of each MiB in it.
  std::vector<std::uint64_t> WindowReads() const;
  // A flush for a narrowing round, clear of its probes (first to last): at the card's end, or
  // else just above the first flush. None where the card has no such room.
  std::optional<TByteRange> NarrowingFlush(std::uint64_t first, std::uint64_t last) const;
};

// Up to 256 MiB-aligned places strictly between kept and dropped (from the card's start where
// nothing is known kept), evenly apart; empty once they are at most 1 MiB apart.
std::vector<std::uint64_t> NarrowingProbes(std::optional<std::uint64_t> kept,
                                           std::uint64_t dropped);

}  // namespace vorlane
