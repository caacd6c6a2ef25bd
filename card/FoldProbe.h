// Counterfeit cards report more than they keep. Many fold their addresses: a write past the
// real capacity lands at the card's start, over whatever is there, and reads there return what
// was written since. A segment 2 can so destroy segment 1 and the test sector while every one of
// its own transfers succeeds. Others drop writes past the capacity and read back zeros there.
#pragma once

#include <cstdint>

#include "card/JobOutcome.h"
#include "drives/Volume.h"

namespace vorlane {

// The smallest capacity a folding card is looked for at; real counterfeits keep far more.
inline constexpr std::uint64_t SmallestFoldCapacity = 8ull << 20;

// A number no earlier probe of any card used, so no tag left by one is mistaken for this one's.
std::uint64_t NewProbeToken();

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

// The detail of every outcome that says the card keeps fewer bytes than it reports begins so.
inline constexpr const char* KeepsFewerBytesDetail = "the card keeps fewer bytes than it reports";

}  // namespace vorlane
