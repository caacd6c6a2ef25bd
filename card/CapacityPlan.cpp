#include "card/CapacityPlan.h"

#include <algorithm>

namespace vorlane {
namespace {

constexpr std::uint64_t MiB = 1ull << 20;
// The window grows with the card beyond this many spread probes, so their single-sector writes
// stay a few seconds' work on the largest cards.
constexpr std::uint64_t MostSpreadProbes = 4096;
constexpr std::uint64_t SmallestWindow = 16 * MiB;
constexpr std::uint64_t MostNarrowingProbes = 256;

std::uint64_t RoundUpToMiB(std::uint64_t bytes) {
  return (bytes + MiB - 1) / MiB * MiB;
}

std::uint64_t FlushFor(const TCapacityOptions& options) {
  return RoundUpToMiB(options.CacheBytes) + MiB;
}

}  // namespace

TCapacityPlan TCapacityPlan::For(std::uint64_t reportedBytes, const TCapacityOptions& options) {
  const std::uint64_t end = reportedBytes / SectorSize * SectorSize;
  return {end, std::max(SmallestWindow, RoundUpToMiB(end / MostSpreadProbes)), FlushFor(options)};
}

std::vector<std::uint64_t> TCapacityPlan::SpreadProbes() const {
  std::vector<std::uint64_t> probes;
  for (std::uint64_t at = FirstFlush().End; at < LastSector(); at += Window) probes.push_back(at);
  probes.push_back(LastSector());
  return probes;
}

std::vector<std::uint64_t> TCapacityPlan::WindowReads() const {
  std::vector<std::uint64_t> reads;
  for (std::uint64_t at = 0; at < Window; at += MiB) reads.push_back(at);
  return reads;
}

std::optional<TByteRange> TCapacityPlan::NarrowingFlush(std::uint64_t first,
                                                        std::uint64_t last) const {
  const std::uint64_t above = FirstFlush().End;
  for (const TByteRange candidate :
       {TByteRange{CardEnd - Flush, CardEnd}, TByteRange{above, above + Flush}})
    if (!candidate.Overlaps(first, last)) return candidate;
  return std::nullopt;
}

std::vector<std::uint64_t> NarrowingProbes(std::optional<std::uint64_t> kept,
                                           std::uint64_t dropped) {
  const std::uint64_t first = kept ? (*kept / MiB + 1) * MiB : 0;
  if (first >= dropped) return {};
  const std::uint64_t places = (dropped - first + MiB - 1) / MiB;
  const std::uint64_t stride = (places + MostNarrowingProbes - 1) / MostNarrowingProbes * MiB;
  std::vector<std::uint64_t> probes;
  for (std::uint64_t at = first; at < dropped; at += stride) probes.push_back(at);
  return probes;
}

std::uint64_t SmallestProvableBytes(const TCapacityOptions& options) {
  return 2 * SmallestWindow + 4 * FlushFor(options);
}

std::uint64_t PlannedProofBytes(std::uint64_t reportedBytes, const TCapacityOptions& options) {
  if (reportedBytes < SmallestProvableBytes(options)) return 0;  // there is no plan
  const TCapacityPlan plan = TCapacityPlan::For(reportedBytes, options);
  const std::uint64_t sectors = plan.SpreadProbes().size() * 2 + plan.WindowReads().size() + 1;
  return plan.FirstFlush().End + sectors * SectorSize;
}

}  // namespace vorlane
