// A card held in memory, for tests that read back what a card holds: sectors never written read
// as zeros, its size is where the volume ends, and one byte can be made to refuse reads.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "card/CardLayout.h"
#include "drives/Volume.h"

namespace vorlane::testing {

// A card of 1 GiB by default: both segments fit.
inline constexpr std::uint64_t MemoryCardSize = 1ull << 30;

struct TMemoryCard {
  // Places bytes from the given card byte on.
  void Put(std::uint64_t byte, const std::vector<std::uint8_t>& bytes);
  // Places a segment's image as the write job leaves it: the file bytes, then 0x80 up to the end
  // of SectorCount + 1 sectors.
  void PutImage(TSegment segment, const std::vector<std::uint8_t>& file, std::uint32_t length);
  std::uint8_t& At(std::uint64_t byte);

  std::map<std::uint64_t, TSector> Sectors;
  std::uint64_t SizeBytes = MemoryCardSize;
  std::optional<std::uint64_t> FailReadsAt;  // a read covering this byte fails
  std::size_t Reads = 0;
  std::size_t LargestRead = 0;
};

class TMemoryVolume final : public TVolume {
 public:
  explicit TMemoryVolume(TMemoryCard& card) : Card(card) {}
  std::error_code Write(std::uint64_t byteOffset, std::span<const std::uint8_t> data) override;
  std::error_code Read(std::uint64_t byteOffset, std::span<std::uint8_t> data) override;
  std::error_code Sync() override { return {}; }

 private:
  TMemoryCard& Card;
};

}  // namespace vorlane::testing
