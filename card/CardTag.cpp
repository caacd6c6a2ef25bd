#include "card/CardTag.h"

#include <algorithm>
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

std::uint64_t WordAt(std::span<const std::uint8_t> bytes, std::size_t at) {
  std::uint64_t word = 0;
  for (std::size_t b = 0; b < 8; ++b) word |= std::uint64_t{bytes[at + b]} << (8 * b);
  return word;
}

}  // namespace

TSector MakeTag(std::uint64_t byte, std::uint64_t token) {
  TSector tag{};
  std::uint64_t state = byte ^ token;
  for (std::size_t at = 0; at < SectorSize; at += 8) {
    const std::uint64_t word = at == 0 ? byte : at == 8 ? token : NextMixed(state);
    for (std::size_t b = 0; b < 8; ++b) tag[at + b] = static_cast<std::uint8_t>(word >> (8 * b));
  }
  return tag;
}

void FillWithTags(std::span<std::uint8_t> sectors, std::uint64_t firstByte, std::uint64_t token) {
  for (std::size_t at = 0; at + SectorSize <= sectors.size(); at += SectorSize) {
    const TSector tag = MakeTag(firstByte + at, token);
    std::copy(tag.begin(), tag.end(), sectors.begin() + static_cast<std::ptrdiff_t>(at));
  }
}

std::optional<std::uint64_t> TaggedByte(std::span<const std::uint8_t> sector, std::uint64_t token) {
  if (sector.size() < SectorSize || WordAt(sector, 8) != token) return std::nullopt;
  const std::uint64_t byte = WordAt(sector, 0);
  const TSector tag = MakeTag(byte, token);
  if (!std::equal(tag.begin(), tag.end(), sector.begin())) return std::nullopt;
  return byte;
}

std::uint64_t NewProbeToken() {
  std::random_device random;
  const auto now =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  return (std::uint64_t{random()} << 32 ^ random()) ^ now;
}

}  // namespace vorlane
