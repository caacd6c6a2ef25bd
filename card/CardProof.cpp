#include "card/CardProof.h"

#include <array>
#include <chrono>
#include <random>

namespace vorlane {
namespace {

// splitmix64: fills the tag's tail with bytes no card content or earlier tag repeats.
std::uint64_t NextMixed(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// Bytes 0..7: the card byte the tag is written at; 8..15: the token; then token-derived bytes.
TSector MakeTag(std::uint64_t byte, std::uint64_t token) {
  TSector tag{};
  std::uint64_t state = byte ^ token;
  for (std::size_t at = 0; at < SectorSize; at += 8) {
    const std::uint64_t word = at == 0 ? byte : at == 8 ? token : NextMixed(state);
    for (std::size_t b = 0; b < 8; ++b) tag[at + b] = static_cast<std::uint8_t>(word >> (8 * b));
  }
  return tag;
}

TJobOutcome KeepsFewerBytes(std::uint64_t byte, const std::string& what) {
  return {TJobResult::TestCompareFailed,
          {},
          byte,
          std::string(KeepsFewerBytesDetail) + ": what was written at byte " +
              std::to_string(byte) + " " + what};
}

class TProbe {
 public:
  TProbe(TVolume& volume, std::uint64_t token) : Volume(volume), Token(token) {}

  TJobOutcome Run(const std::array<std::uint64_t, 2>& tagBytes) {
    for (const std::uint64_t byte : tagBytes)
      if (const std::error_code error = Volume.Write(byte, MakeTag(byte, Token)))
        return {TJobResult::ImageWriteFailed, error, byte, {}};
    if (const std::error_code error = Volume.Sync())
      return {TJobResult::ImageWriteFailed, error, tagBytes[0], {}};
    for (const std::uint64_t byte : tagBytes) {
      if (const std::error_code error = Volume.Read(byte, ReadBack)) return ReadFailed(error, byte);
      if (!HoldsTagFor(byte)) return KeepsFewerBytes(byte, "did not stay there");
    }
    for (const std::uint64_t byte : tagBytes)
      for (std::uint64_t capacity = SmallestFoldCapacity; capacity <= byte; capacity *= 2) {
        const std::uint64_t landing = byte % capacity;
        if (const std::error_code error = Volume.Read(landing, ReadBack))
          return ReadFailed(error, landing);
        if (HoldsTagFor(byte))
          return KeepsFewerBytes(byte, "came back at byte " + std::to_string(landing));
      }
    return {};
  }

 private:
  bool HoldsTagFor(std::uint64_t byte) const { return ReadBack == MakeTag(byte, Token); }
  static TJobOutcome ReadFailed(std::error_code error, std::uint64_t byte) {
    return {TJobResult::TestReadFailed, error, byte, {}};
  }

  TVolume& Volume;
  const std::uint64_t Token;
  TSector ReadBack{};
};

}  // namespace

TJobOutcome ProveTestSector(TVolume& volume, TSector& SectorBuf) {
  SectorBuf = MakeTestPattern();
  std::error_code error = volume.Write(TestSectorByte, SectorBuf);
  if (!error) error = volume.Sync();
  if (error) return {TJobResult::TestWriteFailed, error, TestSectorByte};
  TSector readBack{};
  if ((error = volume.Read(TestSectorByte, readBack)))
    return {TJobResult::TestReadFailed, error, TestSectorByte};
  if (readBack != SectorBuf) return {TJobResult::TestCompareFailed, {}, TestSectorByte};
  return {};
}

TJobOutcome CheckTestPattern(TVolume& volume) {
  TSector held{};
  if (const std::error_code error = volume.Read(TestSectorByte, held))
    return {TJobResult::TestReadFailed, error, TestSectorByte};
  if (held != MakeTestPattern()) return {TJobResult::TestCompareFailed, {}, TestSectorByte};
  return {};
}

std::uint64_t NewProbeToken() {
  std::random_device random;
  const auto now =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  return (std::uint64_t{random()} << 32 ^ random()) ^ now;
}

TJobOutcome ProbeForFolding(TVolume& volume, std::uint64_t firstByte, std::uint64_t lastByte,
                            std::uint64_t token) {
  return TProbe(volume, token).Run({firstByte, lastByte});
}

TJobOutcome ProbeSegmentImage(TVolume& volume, TSegment segment, std::uint32_t declaredLength,
                              std::uint64_t token) {
  const std::uint64_t first = StartByteFor(segment);
  return ProbeForFolding(volume, first, first + ImageBytesFor(declaredLength) - SectorSize, token);
}

}  // namespace vorlane
