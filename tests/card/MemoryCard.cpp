#include "tests/card/MemoryCard.h"

#include <algorithm>

namespace vorlane::testing {

std::uint8_t& TMemoryCard::At(std::uint64_t byte) {
  auto found = Sectors.find(byte / SectorSize);
  if (found == Sectors.end()) found = Sectors.emplace(byte / SectorSize, TSector{}).first;
  return found->second[byte % SectorSize];
}

void TMemoryCard::Put(std::uint64_t byte, const std::vector<std::uint8_t>& bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    std::uint8_t* sector = &At(byte + i);
    const std::size_t count =
        std::min<std::size_t>(bytes.size() - i, SectorSize - (byte + i) % SectorSize);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(i), count, sector);
    i += count;
  }
}

void TMemoryCard::PutImage(TSegment segment, const std::vector<std::uint8_t>& file,
                           std::uint32_t length) {
  std::vector<std::uint8_t> image((SectorCountFor(length) + 1ull) * SectorSize, PadByte);
  std::copy_n(file.begin(), std::min<std::size_t>(file.size(), length), image.begin());
  Put(std::uint64_t{StartSectorFor(segment)} * SectorSize, image);
}

std::error_code TMemoryVolume::Write(std::uint64_t byteOffset, std::span<const std::uint8_t> data) {
  if (byteOffset + data.size() > Card.SizeBytes) return EndOfVolumeError();
  Card.Put(byteOffset, {data.begin(), data.end()});
  return {};
}

std::error_code TMemoryVolume::Read(std::uint64_t byteOffset, std::span<std::uint8_t> data) {
  ++Card.Reads;
  Card.LargestRead = std::max(Card.LargestRead, data.size());
  if (Card.FailReadsAt && *Card.FailReadsAt >= byteOffset &&
      *Card.FailReadsAt < byteOffset + data.size())
    return std::make_error_code(std::errc::io_error);
  if (byteOffset + data.size() > Card.SizeBytes) return EndOfVolumeError();
  for (std::uint64_t sector = byteOffset / SectorSize;
       sector * SectorSize < byteOffset + data.size(); ++sector) {
    const auto found = Card.Sectors.find(sector);
    if (found == Card.Sectors.end()) {
      std::fill_n(data.begin() + static_cast<std::ptrdiff_t>(sector * SectorSize - byteOffset),
                  SectorSize, 0);
    } else {
      std::copy(found->second.begin(), found->second.end(),
                data.begin() + static_cast<std::ptrdiff_t>(sector * SectorSize - byteOffset));
    }
  }
  return {};
}

}  // namespace vorlane::testing
