// A chosen file's header, whatever its bytes: the write check's rule (the "WAVE" tag, RIFF
// size + 8, at least 44 bytes), the card reader's copy of that rule, the chunk walk info uses,
// and the sectors the job and verification read from the file.
#include <algorithm>
#include <vector>

#include "card/CardInfo.h"
#include "card/WavFile.h"
#include "tests/fuzz/FuzzCheck.h"

namespace vorlane::fuzz {
namespace {

// The file check's answer: the declared length, 0 for a file that is no WAV file.
std::uint32_t CheckedLength(const std::string& path) {
  const TWavCheck check = CheckWavHeader(path);
  Check(check.Problem != TWavCheck::TProblem::CannotOpen, "a file just written opens");
  Check((check.Problem == TWavCheck::TProblem::NotWav) == (check.DeclaredLength == 0),
        "a file is refused exactly when it gives no length");
  return check.DeclaredLength;
}

// The card reader judges a segment's first sector by the same rule, within the segment limit.
void CheckSameRuleOnTheCard(std::span<const std::uint8_t> bytes, std::uint32_t declared) {
  TSector first{};
  std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), SectorSize), first.begin());
  const std::uint32_t expected = declared <= MaxDeclaredLength ? declared : 0;
  Check(DeclaredWavLength(first) == expected, "the card reader and the file check agree");
}

// The image sectors from offset on are the file's bytes, then padding.
void CheckSectors(const std::string& path, std::span<const std::uint8_t> bytes) {
  const std::uint64_t offset = bytes.size() / 2 / SectorSize * SectorSize;
  std::vector<std::uint8_t> sectors(2 * SectorSize);
  Check(!ReadWavSectors(path, offset, sectors), "a regular file's sectors read");
  for (std::size_t i = 0; i < sectors.size(); ++i) {
    const std::uint64_t at = offset + i;
    Check(sectors[i] == (at < bytes.size() ? bytes[at] : PadByte),
          "image sectors are the file's bytes, then padding");
  }
}

}  // namespace
}  // namespace vorlane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vorlane;
  static fuzz::TMemoryFile file;
  const std::span<const std::uint8_t> bytes(data, size);
  file.Hold(bytes);
  const std::uint32_t declared = fuzz::CheckedLength(file.Path());
  fuzz::Check(declared == 0 || declared >= SmallestWavLength, "no accepted file under 44 bytes");
  fuzz::CheckSameRuleOnTheCard(bytes, declared);
  fuzz::CheckSectors(file.Path(), bytes);
  // The chunk walk over the bytes a card would hold, declared length as the header gives it
  // and as long as the file itself.
  for (const std::uint32_t length : {declared, static_cast<std::uint32_t>(size)}) {
    const TWavHeader header = ParseWavHeader(bytes, length);
    fuzz::Check(!header.DataBytes || *header.DataBytes <= length,
                "the samples lie within the declared length");
  }
  return 0;
}
