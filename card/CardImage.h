// Card image files: a regular file standing for a whole card, byte 0 being the card's sector 0.
// Any card writer can copy one onto a card, so an image made once serves every card.
#pragma once

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "card/CardLayout.h"

namespace vorlane {

// The card byte just after the segment's image (its SectorCount + 1 sectors).
std::uint64_t SegmentImageEnd(TSegment segment, std::uint32_t declaredLength);

// Makes path a card image of at least `bytes` bytes: creates a missing file, and extends a
// shorter one, sparsely (the file system stores no zeros), never touching bytes it already
// holds. Fails for anything but a regular file.
std::error_code PrepareCardImage(const std::filesystem::path& path, std::uint64_t bytes);

}  // namespace vorlane
