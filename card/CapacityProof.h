// Proving that a card keeps every byte it reports, even behind a write cache that answers reads
// of recent writes from itself and ignores flushes. Some counterfeit cards keep the last tens of
// MiB written in such a cache and write it out later, over the places their folded addresses
// share: every check confined to a few sectors passes while its writes are still cached.
//
// The proof writes sectors tagged with their own place and a token new for the run: probes spread
// over the whole reported size, then a window of tags at the card's start, then more than the
// cache holds, so that probes and window have left the cache when they are read back. A probe
// past the card's real size then comes back with another place's tag (the card folded it onto a
// place written since: the window is there to be that place) or without any tag (the card
// dropped it). Folds give the card's size exactly; drops are narrowed down to 1 MiB by rounds of
// probes between the last place kept and the first dropped. Transfers stay around a few hundred
// MiB whatever the card's size.
#pragma once

#include <cstdint>
#include <functional>
#include <stop_token>
#include <vector>

#include "card/JobOutcome.h"
#include "drives/Volume.h"

namespace vorlane {

inline constexpr std::uint64_t DefaultProofCacheBytes = 64ull << 20;

struct TCapacityOptions {
  // The largest write cache the proof defeats: it writes more than this (rounded up to MiB)
  // between writing its tags and reading them back. A larger cache may hide a counterfeit.
  std::uint64_t CacheBytes = DefaultProofCacheBytes;
};

// Count sectors from FirstSector on, Stride sectors apart.
struct TSectorRun {
  std::uint64_t FirstSector = 0;
  std::uint64_t Count = 0;
  std::uint64_t Stride = 1;
};

struct TCapacityProof {
  // Succeeded: the card keeps every byte it reports, and the proof's record (ProofSeal.h) is on
  // it. TestCompareFailed: it keeps fewer (KeptBytes; Detail says where writes past them land).
  // TestWriteFailed, TestReadFailed: the card refused a transfer. Stopped: asked to stop.
  TJobOutcome Outcome;
  std::uint64_t ReportedBytes = 0;  // in whole sectors
  std::uint64_t KeptBytes = 0;      // what it keeps; to within 1 MiB where it drops writes
  std::vector<TSectorRun> Tagged;   // the sectors written with tags, as far as the proof got
  std::uint64_t BytesWritten = 0;
  std::uint64_t BytesRead = 0;
};

// The smallest card the proof can work on behind such a cache: it needs room for its window,
// its probes and more than the cache holds, twice over, apart from each other.
std::uint64_t SmallestProvableBytes(const TCapacityOptions& options);

// The bytes the proof moves on a card that keeps everything: the measure of its progress. 0 for
// a card too small to prove.
std::uint64_t PlannedProofBytes(std::uint64_t reportedBytes, const TCapacityOptions& options);

// Proves the card behind volume, which reports reportedBytes (at least SmallestProvableBytes).
// Overwrites the sectors it lists in Tagged, and on success the proof's record. progress gets
// each new percentage; stop ends the proof at its next transfer, with what it wrote confirmed.
TCapacityProof ProveCapacity(TVolume& volume, std::uint64_t reportedBytes,
                             const TCapacityOptions& options,
                             const std::function<void(int percent)>& progress,
                             std::stop_token stop = {});

}  // namespace vorlane
