// Sectors tagged with their own place on the card and a number new for each run. A tag read back
// anywhere says where it was written and by which run, so a card that puts a write somewhere
// else than asked is caught with the place it put it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "card/CardLayout.h"

namespace vorlane {

// Bytes 0..7: the card byte the tag is written at; 8..15: the token; then bytes derived from
// both, so no card content and no tag of another place or run repeats it.
TSector MakeTag(std::uint64_t byte, std::uint64_t token);

// Fills whole sectors with the tags of the card bytes they are written at, from firstByte on.
void FillWithTags(std::span<std::uint8_t> sectors, std::uint64_t firstByte, std::uint64_t token);

// The card byte a sector was tagged for, where it is a whole tag of this token.
std::optional<std::uint64_t> TaggedByte(std::span<const std::uint8_t> sector, std::uint64_t token);

// A number no earlier run on any card used, so no tag left by one is mistaken for this one's.
std::uint64_t NewProbeToken();

}  // namespace vorlane
