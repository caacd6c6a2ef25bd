// Where the voice player expects things on the card. The player has no file system: it reads
// raw sectors at fixed numbers, so every number here is part of the card format.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vorlane {

inline constexpr std::uint32_t SectorSize = 512;
using TSector = std::array<std::uint8_t, SectorSize>;

// Written, read back and compared before every segment: proves the card takes and returns data.
inline constexpr std::uint32_t TestSector = 8190;
inline constexpr std::uint32_t Segment1StartSector = 8192;    // byte 0x400000 (4 MiB)
inline constexpr std::uint32_t Segment2StartSector = 839680;  // byte 0x19A00000 (410 MiB)

// Where a card that passed the capacity proof keeps the proof's record: the sector before the
// test sector, which the player never reads and no write job touches, so the record outlives the
// segments written after the proof.
inline constexpr std::uint32_t ProofSealSector = 8189;

// The largest declared WAV length a segment may have (400 MiB). Segment 1 with its padding
// sector then still ends before segment 2 starts.
inline constexpr std::uint32_t MaxDeclaredLength = 419430400;

// Image bytes the file does not reach. The player reads 0x80 as silence in 8-bit PCM.
inline constexpr std::uint8_t PadByte = 0x80;

// Byte k of the test sector is (k + 1) mod 256: 1, 2, ..., 255, 0, 1, ...
TSector MakeTestPattern();

// Sectors the declared length covers: L div 512, plus one for a partial last sector. The image
// written is one sector longer still, so it always ends in padding.
std::uint32_t SectorCountFor(std::uint32_t declaredLength);

// Bytes of a segment's image on the card: SectorCountFor(L) + 1 whole sectors.
std::uint64_t ImageBytesFor(std::uint32_t declaredLength);

// A length a segment can hold: not 0 (nothing was checked) and within the limit.
bool IsWritableLength(std::uint32_t declaredLength);

// The two voice segments; the player knows them by number, and so does each value here.
enum class TSegment { One = 1, Two = 2 };

// "segment 2": a segment as a person reads of it, in every line and record.
std::string DescribeSegment(TSegment segment);

std::uint32_t StartSectorFor(TSegment segment);

// Byte offsets on the card: the sector number times 512.
inline constexpr std::uint64_t TestSectorByte = std::uint64_t{TestSector} * SectorSize;
std::uint64_t StartByteFor(TSegment segment);

// Positions travel as card bytes; what a person reads names sectors: "sector 8292".
std::uint64_t SectorStartOf(std::uint64_t byte);  // the first byte of the byte's sector
std::string DescribeSectorOf(std::uint64_t byte);

}  // namespace vorlane
