#include "card/CardProof.h"

#include <array>

#include "card/CardTag.h"

namespace vorlane {
namespace {

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
