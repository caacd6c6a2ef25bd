#include "card/CardLayout.h"

namespace vorlane {

TSector MakeTestPattern() {
  TSector pattern{};
  for (std::uint32_t k = 0; k < SectorSize; ++k) pattern[k] = static_cast<std::uint8_t>(k + 1);
  return pattern;
}

std::uint32_t SectorCountFor(std::uint32_t declaredLength) {
  return declaredLength / SectorSize + (declaredLength % SectorSize != 0 ? 1 : 0);
}

std::uint64_t ImageBytesFor(std::uint32_t declaredLength) {
  return (std::uint64_t{SectorCountFor(declaredLength)} + 1) * SectorSize;
}

bool IsWritableLength(std::uint32_t declaredLength) {
  return declaredLength != 0 && declaredLength <= MaxDeclaredLength;
}

std::string DescribeSegment(TSegment segment) {
  return "segment " + std::to_string(static_cast<int>(segment));
}

std::uint32_t StartSectorFor(TSegment segment) {
  return segment == TSegment::Two ? Segment2StartSector : Segment1StartSector;
}

std::uint64_t StartByteFor(TSegment segment) {
  return std::uint64_t{StartSectorFor(segment)} * SectorSize;
}

std::uint64_t SectorStartOf(std::uint64_t byte) {
  return byte / SectorSize * SectorSize;
}

std::string DescribeSectorOf(std::uint64_t byte) {
  return "sector " + std::to_string(byte / SectorSize);
}

}  // namespace vorlane
