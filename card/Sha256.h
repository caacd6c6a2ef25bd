// SHA-256 (FIPS 180-4), for records that say which recording a card was given: the digest a
// station logs is the one `sha256sum` prints for the same file.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vorlane {

class TSha256 {
 public:
  // Where the processor has SHA instructions they do the work; Portable never asks for them,
  // so the portable rounds are tested on any machine.
  enum class TRounds { Fastest, Portable };
  explicit TSha256(TRounds rounds = TRounds::Fastest) : Rounds(rounds) {}

  void Update(std::span<const std::uint8_t> data);
  // The digest of everything given; the object is spent after it.
  std::array<std::uint8_t, 32> Finish();

 private:
  void Compress(const std::uint8_t* block);
  void CompressBlocks(const std::uint8_t* data, std::size_t blocks);
  TRounds Rounds;
  std::array<std::uint32_t, 8> State{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                     0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  std::array<std::uint8_t, 64> Pending{};
  std::size_t PendingBytes = 0;
  std::uint64_t TotalBytes = 0;
};

// Lower-case hex, as sha256sum prints it.
std::string HexDigest(std::span<const std::uint8_t> digest);

// The digest of a whole file, read as the jobs read it; none when it cannot be read to its end.
std::optional<std::string> FileSha256(const std::string& path);

}  // namespace vorlane
