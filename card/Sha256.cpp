#include "card/Sha256.h"

#include <algorithm>
#include <vector>

#include "card/Sha256Blocks.h"
#include "drives/FileAccess.h"

namespace vorlane {
namespace {

constexpr std::array<std::uint32_t, 64> RoundConstants{
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::uint32_t RotateRight(std::uint32_t value, int bits) {
  return (value >> bits) | (value << (32 - bits));
}

constexpr std::size_t FileChunk = 4 << 20;

}  // namespace

void TSha256::Compress(const std::uint8_t* block) {
  std::array<std::uint32_t, 64> w{};
  for (int i = 0; i < 16; ++i)
    w[i] = std::uint32_t{block[4 * i]} << 24 | std::uint32_t{block[4 * i + 1]} << 16 |
           std::uint32_t{block[4 * i + 2]} << 8 | std::uint32_t{block[4 * i + 3]};
  for (int i = 16; i < 64; ++i) {
    const std::uint32_t s0 =
        RotateRight(w[i - 15], 7) ^ RotateRight(w[i - 15], 18) ^ w[i - 15] >> 3;
    const std::uint32_t s1 = RotateRight(w[i - 2], 17) ^ RotateRight(w[i - 2], 19) ^ w[i - 2] >> 10;
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  std::array<std::uint32_t, 8> v = State;
  for (int i = 0; i < 64; ++i) {
    const std::uint32_t s1 = RotateRight(v[4], 6) ^ RotateRight(v[4], 11) ^ RotateRight(v[4], 25);
    const std::uint32_t choice = (v[4] & v[5]) ^ (~v[4] & v[6]);
    const std::uint32_t t1 = v[7] + s1 + choice + RoundConstants[i] + w[i];
    const std::uint32_t s0 = RotateRight(v[0], 2) ^ RotateRight(v[0], 13) ^ RotateRight(v[0], 22);
    const std::uint32_t majority = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
    v = {t1 + s0 + majority, v[0], v[1], v[2], v[3] + t1, v[4], v[5], v[6]};
  }
  for (int i = 0; i < 8; ++i) State[i] += v[i];
}

void TSha256::CompressBlocks(const std::uint8_t* data, std::size_t blocks) {
  if (Rounds == TRounds::Fastest && CompressWithShaInstructions(State.data(), data, blocks)) return;
  for (; blocks > 0; --blocks, data += Pending.size()) Compress(data);
}

// Whole blocks are compressed where they stand; only a block's start or end waits in Pending.
void TSha256::Update(std::span<const std::uint8_t> data) {
  TotalBytes += data.size();
  if (PendingBytes > 0) {
    const std::size_t taken = std::min(data.size(), Pending.size() - PendingBytes);
    std::copy_n(data.begin(), taken, Pending.begin() + PendingBytes);
    PendingBytes += taken;
    data = data.subspan(taken);
    if (PendingBytes < Pending.size()) return;
    CompressBlocks(Pending.data(), 1);
    PendingBytes = 0;
  }
  const std::size_t whole = data.size() / Pending.size();
  if (whole > 0) CompressBlocks(data.data(), whole);
  data = data.subspan(whole * Pending.size());
  std::copy(data.begin(), data.end(), Pending.begin());
  PendingBytes = data.size();
}

std::array<std::uint8_t, 32> TSha256::Finish() {
  const std::uint64_t bits = TotalBytes * 8;
  // A one bit, zeros up to 8 bytes short of a block, then the message length in bits.
  std::array<std::uint8_t, 72> tail{0x80};
  const std::size_t zeros = (Pending.size() + 56 - PendingBytes - 1) % Pending.size();
  for (int i = 0; i < 8; ++i) tail[1 + zeros + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
  Update(std::span(tail).first(1 + zeros + 8));
  std::array<std::uint8_t, 32> digest{};
  for (int i = 0; i < 32; ++i)
    digest[i] = static_cast<std::uint8_t>(State[i / 4] >> (24 - 8 * (i % 4)));
  return digest;
}

std::string HexDigest(std::span<const std::uint8_t> digest) {
  static constexpr char Digits[] = "0123456789abcdef";
  std::string hex;
  for (std::uint8_t byte : digest) {
    hex.push_back(Digits[byte >> 4]);
    hex.push_back(Digits[byte & 0xf]);
  }
  return hex;
}

std::optional<std::string> FileSha256(const std::string& path) {
  TSha256 sha;
  std::vector<std::uint8_t> chunk(FileChunk);
  for (std::uint64_t offset = 0;;) {
    const TFileRead read = ReadFileAt(path, offset, chunk, TFileSharing::WithReaders);
    if (read.Status != TFileRead::TStatus::Ok) return std::nullopt;
    sha.Update(std::span(chunk).first(read.Count));
    offset += read.Count;
    if (read.Count < chunk.size()) break;
  }
  return HexDigest(sha.Finish());
}

}  // namespace vorlane
