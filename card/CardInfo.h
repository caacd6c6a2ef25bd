// What a card holds, read back from its raw sectors: whether the test sector holds the test
// pattern, and for each segment the WAV file that starts at its first sector, if any.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <system_error>

#include "card/CardLayout.h"
#include "card/Outcome.h"
#include "card/ProofSeal.h"
#include "drives/Volume.h"

namespace vorlane {

// The fields of a WAV format chunk the player cares about.
struct TWavFormat {
  std::uint16_t FormatTag = 0;  // 1: PCM; 0xFFFE: extensible (PCM in a wider header)
  std::uint16_t Channels = 0;
  std::uint32_t SampleRate = 0;
  std::uint16_t BlockAlign = 0;  // bytes per sample frame, all channels
  std::uint16_t BitsPerSample = 0;
  friend bool operator==(const TWavFormat&, const TWavFormat&) = default;
};

// A WAV header as found on the card. Problem names the first thing wrong with it: a header
// that is cut off, a missing chunk, a format that cannot be played.
struct TWavHeader {
  std::optional<TWavFormat> Format;
  std::optional<std::uint32_t> DataBytes;  // sample bytes within the declared length
  std::string Problem;                     // empty when the header is whole
  // Seconds of sound, where the format and the data chunk allow computing it.
  std::optional<double> DurationSeconds() const;
};

// Header bytes info reads: enough for every chunk that usually precedes the samples.
inline constexpr std::uint32_t HeaderBytesRead = 64 * 1024;

// Walks the chunks after the 12-byte RIFF header in bytes (the file's first bytes, at most
// declaredLength of them) up to the data chunk.
TWavHeader ParseWavHeader(std::span<const std::uint8_t> bytes, std::uint32_t declaredLength);

// The length a segment's first sector declares when a WAV file the write check would accept
// starts there ("WAVE" at bytes 8..11, 44 bytes to the 400 MiB limit); 0 otherwise.
std::uint32_t DeclaredWavLength(std::span<const std::uint8_t> firstSector);

struct TSegmentInfo {
  TSegment Segment = TSegment::One;
  std::uint32_t DeclaredLength = 0;  // 0: no WAV file starts at the segment's first sector
  TWavHeader Header;
  // Every byte from the declared length to the image's end is 0x80: the write got to its end.
  bool PaddingIntact = false;
};

struct TCardInfo {
  bool TestPattern = false;  // the test sector holds the pattern a write job leaves
  std::array<TSegmentInfo, 2> Segments{TSegmentInfo{TSegment::One, 0, {}, false},
                                       TSegmentInfo{TSegment::Two, 0, {}, false}};
  // Every job leaves the test pattern before it writes a segment; a segment without it is the
  // mark of a card that folded a later write over its start.
  bool FoldSuspected() const;
  // The record a passing capacity proof left, where one is on the card.
  std::optional<TProofSeal> Proof;
};

// Read stays first: an outcome given no result has ended well (TOutcome).
enum class TCardReadResult {
  Read,        // every sector info looks at, or the card ended before it
  ReadFailed,  // the card refused a read (Error, CardOffset); Info is then incomplete
};

struct TCardReading {
  TCardInfo Info;
  TOutcome<TCardReadResult> Outcome;
};

// Reads the test sector, the capacity proof's record and both segments' headers and padding. A card
// that ends before a sector holds nothing there; any other read failure ends the reading.
TCardReading ReadCardInfo(TVolume& volume);

}  // namespace vorlane
