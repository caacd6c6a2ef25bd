#include "card/CardInfo.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "card/WavFile.h"

namespace vorlane {
namespace {

std::uint16_t LittleEndian16(std::span<const std::uint8_t> bytes, std::uint64_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t LittleEndian32(std::span<const std::uint8_t> bytes, std::uint64_t at) {
  return static_cast<std::uint32_t>(LittleEndian16(bytes, at)) |
         static_cast<std::uint32_t>(LittleEndian16(bytes, at + 2)) << 16;
}

bool HasTag(std::span<const std::uint8_t> bytes, std::uint64_t at, const char* tag) {
  return at + 4 <= bytes.size() && std::memcmp(bytes.data() + at, tag, 4) == 0;
}

TWavFormat ParseFormat(std::span<const std::uint8_t> bytes, std::uint64_t body) {
  return {LittleEndian16(bytes, body), LittleEndian16(bytes, body + 2),
          LittleEndian32(bytes, body + 4), LittleEndian16(bytes, body + 12),
          LittleEndian16(bytes, body + 14)};
}

// Walks the chunks; each chunk is an id, a 32-bit size and a body padded to even length.
class THeaderWalk {
 public:
  THeaderWalk(std::span<const std::uint8_t> bytes, std::uint32_t declaredLength)
      : Bytes(bytes.first(std::min<std::size_t>(bytes.size(), declaredLength))),
        Declared(declaredLength) {}

  TWavHeader Run() {
    if (!HasTag(Bytes, 8, "WAVE")) return Fail("no WAVE tag");
    if (!HasTag(Bytes, 0, "RIFF")) Note("no RIFF tag");
    // Until the data chunk, or no room for another chunk: a missing one is named below.
    for (std::uint64_t at = 12; !Header.DataBytes && at + 8 <= Declared;) {
      if (at + 8 > Bytes.size()) return Fail(PastReadBytes());
      const std::uint32_t size = LittleEndian32(Bytes, at + 4);
      if (HasTag(Bytes, at, "fmt ") && !ReadFormat(at + 8, size)) return Header;
      if (HasTag(Bytes, at, "data")) ReadData(at + 8, size);
      at += 8 + std::uint64_t{size} + (size & 1);
    }
    if (!Header.Format) Note("no format chunk");
    if (!Header.DataBytes) Note("no data chunk");
    if (Header.Format && (Header.Format->Channels == 0 || Header.Format->SampleRate == 0 ||
                          Header.Format->BitsPerSample == 0))
      Note("the format chunk gives no channels, sample rate or sample size");
    return Header;
  }

 private:
  // False, with the problem noted, when the chunk cannot be read whole.
  bool ReadFormat(std::uint64_t body, std::uint32_t size) {
    std::string problem;
    if (size < 16)
      problem = "format chunk shorter than 16 bytes";
    else if (body + 16 > Declared)
      problem = "header cut off in the format chunk";
    else if (body + 16 > Bytes.size())
      problem = PastReadBytes();
    if (!problem.empty()) {
      Note(problem);
      return false;
    }
    Header.Format = ParseFormat(Bytes, body);
    return true;
  }

  // A recording cut off, or written by a streaming writer that never filled in its sizes,
  // declares more samples than the file holds: only those within the declared length count.
  void ReadData(std::uint64_t body, std::uint32_t size) {
    const std::uint64_t within = Declared - body;
    Header.DataBytes = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, within));
    if (size > within) Note("the data chunk runs past the declared length");
  }

  std::string PastReadBytes() const {
    return "the header goes on past its first " + std::to_string(Bytes.size()) + " bytes";
  }
  void Note(const std::string& problem) {
    if (Header.Problem.empty()) Header.Problem = problem;
  }
  TWavHeader Fail(const std::string& problem) {
    Note(problem);
    return Header;
  }

  std::span<const std::uint8_t> Bytes;
  std::uint64_t Declared;
  TWavHeader Header;
};

// Reads whole sectors; false when the card ends first (nothing there) or refused the read.
class TSectorReader {
 public:
  TSectorReader(TVolume& volume, TCardReading& reading) : Volume(volume), Reading(reading) {}
  bool Read(std::uint64_t byte, std::span<std::uint8_t> into) {
    const std::error_code error = Volume.Read(byte, into);
    if (error && error != EndOfVolumeError())
      Reading.Outcome = {TCardReadResult::ReadFailed, error, byte};
    return !error;
  }
  bool Failed() const { return Reading.Outcome.Result == TCardReadResult::ReadFailed; }

 private:
  TVolume& Volume;
  TCardReading& Reading;
};

std::uint64_t RoundUpToSectors(std::uint64_t bytes) {
  return (bytes + SectorSize - 1) / SectorSize * SectorSize;
}

// The header's first bytes, or only the first sector where the card ends within the header.
TWavHeader ReadHeader(TSectorReader& reader, std::uint64_t firstByte, const TSector& first,
                      std::uint32_t length) {
  std::vector<std::uint8_t> bytes(RoundUpToSectors(std::min(length, HeaderBytesRead)));
  if (!reader.Read(firstByte, bytes)) bytes.assign(first.begin(), first.end());
  return ParseWavHeader(bytes, length);
}

// The image ends one sector after the sectors the declared length covers; from the declared
// length on, every byte is padding.
bool ReadPaddingIntact(TSectorReader& reader, std::uint64_t firstByte, std::uint32_t length) {
  const std::uint64_t paddedFrom = length / SectorSize * SectorSize;
  const std::uint64_t imageEnd = ImageBytesFor(length);
  std::vector<std::uint8_t> tail(imageEnd - paddedFrom);
  if (!reader.Read(firstByte + paddedFrom, tail)) return false;
  return std::all_of(tail.begin() + length % SectorSize, tail.end(),
                     [](std::uint8_t b) { return b == PadByte; });
}

TSegmentInfo ReadSegment(TSectorReader& reader, TSegment segment) {
  TSegmentInfo info{segment, 0, {}, false};
  const std::uint64_t firstByte = StartByteFor(segment);
  TSector first{};
  if (!reader.Read(firstByte, first)) return info;
  info.DeclaredLength = DeclaredWavLength(first);
  if (info.DeclaredLength == 0) return info;
  info.Header = ReadHeader(reader, firstByte, first, info.DeclaredLength);
  if (!reader.Failed())
    info.PaddingIntact = ReadPaddingIntact(reader, firstByte, info.DeclaredLength);
  return info;
}

}  // namespace

std::optional<double> TWavHeader::DurationSeconds() const {
  if (!Format || !DataBytes || Format->SampleRate == 0) return std::nullopt;
  const unsigned frameBytes = Format->BlockAlign != 0
                                  ? Format->BlockAlign
                                  : Format->Channels * ((Format->BitsPerSample + 7u) / 8u);
  if (frameBytes == 0) return std::nullopt;
  return static_cast<double>(*DataBytes / frameBytes) / Format->SampleRate;
}

TWavHeader ParseWavHeader(std::span<const std::uint8_t> bytes, std::uint32_t declaredLength) {
  return THeaderWalk(bytes, declaredLength).Run();
}

std::uint32_t DeclaredWavLength(std::span<const std::uint8_t> firstSector) {
  const std::uint32_t declared = DeclaredLengthIn(firstSector);
  return IsWritableLength(declared) ? declared : 0;
}

bool TCardInfo::FoldSuspected() const {
  return !TestPattern && std::any_of(Segments.begin(), Segments.end(),
                                     [](const TSegmentInfo& s) { return s.DeclaredLength != 0; });
}

TCardReading ReadCardInfo(TVolume& volume) {
  TCardReading reading;
  TSectorReader reader(volume, reading);
  TSector test{};
  if (reader.Read(TestSectorByte, test)) reading.Info.TestPattern = test == MakeTestPattern();
  TSector seal{};
  if (!reader.Failed() && reader.Read(ProofSealByte, seal))
    reading.Info.Proof = ReadProofSeal(seal);
  for (TSegmentInfo& segment : reading.Info.Segments)
    if (!reader.Failed()) segment = ReadSegment(reader, segment.Segment);
  return reading;
}

}  // namespace vorlane
