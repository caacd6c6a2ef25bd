#include "card/ProofSeal.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "card/Sha256.h"

namespace vorlane {
namespace {

// Mark, then the four fields (8 bytes each, little-endian), then the SHA-256 of all before it.
constexpr std::string_view Mark = "Vorlane capacity proof v1";
constexpr std::size_t FieldsAt = 32;
constexpr std::size_t DigestAt = FieldsAt + 4 * 8;

void PutWord(TSector& sector, std::size_t at, std::uint64_t word) {
  for (std::size_t b = 0; b < 8; ++b) sector[at + b] = static_cast<std::uint8_t>(word >> (8 * b));
}

std::uint64_t WordAt(std::span<const std::uint8_t> sector, std::size_t at) {
  std::uint64_t word = 0;
  for (std::size_t b = 0; b < 8; ++b) word |= std::uint64_t{sector[at + b]} << (8 * b);
  return word;
}

std::array<std::uint8_t, 32> DigestOf(std::span<const std::uint8_t> sector) {
  TSha256 sha;
  sha.Update(sector.first(DigestAt));
  return sha.Finish();
}

}  // namespace

TSector MakeProofSeal(const TProofSeal& seal) {
  TSector sector{};
  std::copy(Mark.begin(), Mark.end(), sector.begin());
  PutWord(sector, FieldsAt, seal.Token);
  PutWord(sector, FieldsAt + 8, seal.ReportedBytes);
  PutWord(sector, FieldsAt + 16, seal.CacheBytes);
  PutWord(sector, FieldsAt + 24, static_cast<std::uint64_t>(seal.UnixSeconds));
  const auto digest = DigestOf(sector);
  std::copy(digest.begin(), digest.end(), sector.begin() + DigestAt);
  return sector;
}

std::optional<TProofSeal> ReadProofSeal(std::span<const std::uint8_t> sector) {
  if (sector.size() < SectorSize || !std::equal(Mark.begin(), Mark.end(), sector.begin()))
    return std::nullopt;
  const auto digest = DigestOf(sector);
  if (!std::equal(digest.begin(), digest.end(), sector.begin() + DigestAt)) return std::nullopt;
  return TProofSeal{WordAt(sector, FieldsAt), WordAt(sector, FieldsAt + 8),
                    WordAt(sector, FieldsAt + 16),
                    static_cast<std::int64_t>(WordAt(sector, FieldsAt + 24))};
}

}  // namespace vorlane
