// Proving a card keeps what it is given, before a segment's image goes on it. First the test
// sector: the test pattern written, confirmed, read back from the card and compared.
//
// Then the fold probe. Counterfeit cards report more than they keep. Many fold their addresses: a
// write past the real capacity lands at the card's start, over whatever is there, and reads there
// return what was written since. A segment 2 can so destroy segment 1 and the test sector while
// every one of its own transfers succeeds. Others drop writes past the capacity and read back zeros
// there.
#pragma once

#include <cstdint>

#include "card/CardLayout.h"
#include "card/CardTag.h"
#include "card/JobOutcome.h"
#include "drives/Volume.h"

namespace vorlane {

// Fills SectorBuf with the test pattern, writes it to the test sector, has the card confirm it,
// reads it back and compares: a card that is missing, write-protected or forgets fails here,
// before any segment data is touched.
TJobOutcome ProveTestSector(TVolume& volume, TSector& SectorBuf);

// Reads the test sector back from the card: TestCompareFailed when it no longer holds the
// pattern, TestReadFailed when the card refuses the read.
TJobOutcome CheckTestPattern(TVolume& volume);

// The smallest capacity a folding card is looked for at; real counterfeits keep far more.
inline constexpr std::uint64_t SmallestFoldCapacity = 8ull << 20;

// Writes a sector tagged with its own byte offset and the token at the first and last sectors
// of a segment's image (firstByte, lastByte), has the card confirm them, reads both back from
// their places, then reads where each would land if the card kept only 2^k bytes, for every
// power of two from 8 MiB up to the tag's offset. A tag missing from its place, or found at
// such a place, means the card keeps fewer bytes than it reports: TestCompareFailed, at the
// byte the card did not keep. The tags are image sectors: a tag the card refuses is a failed
// image write (ImageWriteFailed), a refused read TestReadFailed. Only the two image sectors are
// written, and the image overwrites them; everything else is only read.
TJobOutcome ProbeForFolding(TVolume& volume, std::uint64_t firstByte, std::uint64_t lastByte,
                            std::uint64_t token);

// The probe over a segment's image, first and last sector, for a file of declaredLength.
TJobOutcome ProbeSegmentImage(TVolume& volume, TSegment segment, std::uint32_t declaredLength,
                              std::uint64_t token);

// The detail of every outcome that says the card keeps fewer bytes than it reports begins so.
inline constexpr const char* KeepsFewerBytesDetail = "the card keeps fewer bytes than it reports";

}  // namespace vorlane
