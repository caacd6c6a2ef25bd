// The record a passing capacity proof leaves on the card, so that info can tell a card Vorlane
// proved from one that only holds tags: tags are written before anything is known, and a proof
// that was stopped or failed leaves them too.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "card/CardLayout.h"

namespace vorlane {

struct TProofSeal {
  std::uint64_t Token = 0;          // the run's token, as in its tags
  std::uint64_t ReportedBytes = 0;  // what the card reported, and was proved to keep
  std::uint64_t CacheBytes = 0;     // the largest cache the proof defeated
  std::int64_t UnixSeconds = 0;     // when it passed

  // A seal holds for the card only while it reports what it reported when proved.
  bool Covers(std::uint64_t reportedBytes) const { return ReportedBytes == reportedBytes; }
};

TSector MakeProofSeal(const TProofSeal& seal);

// The seal a sector holds, where it is a whole one: its mark, fields and digest all match.
std::optional<TProofSeal> ReadProofSeal(std::span<const std::uint8_t> sector);

inline constexpr std::uint64_t ProofSealByte = std::uint64_t{ProofSealSector} * SectorSize;

}  // namespace vorlane
