#include "card/Sha256.h"

#include <algorithm>
#include <vector>

#include "card/Sha256Blocks.h"
#include "drives/FileAccess.h"

namespace vorlane {
namespace {

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
    const std::uint32_t t1 = v[7] + s1 + choice + Sha256RoundConstants[i] + w[i];
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
