#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace vorlane {

// An open card volume. Offsets and lengths are whole 512-byte sectors; buffers may be anywhere
// in memory (4 KiB-aligned ones avoid a copy). Closing is destruction.
class TVolume {
 public:
  virtual ~TVolume() = default;
  // True only when every byte was handed to the card (a caching backend makes that final at
  // Sync, so a false from Sync means an earlier write did not reach the card).
  virtual bool Write(std::uint64_t byteOffset, std::span<const std::uint8_t> data) = 0;
  // Reads from the card itself, never from a cache of what was just written, so comparing the
  // result with what was written proves the card keeps data.
  virtual bool Read(std::uint64_t byteOffset, std::span<std::uint8_t> data) = 0;
  // Returns once the card has confirmed every earlier write.
  virtual bool Sync() = 0;
};

// Opens an existing volume (block device or card image) for reading and writing, shared with
// other openers. nullptr when it cannot be opened: no card, no such drive, no permission.
std::unique_ptr<TVolume> OpenVolume(const std::string& volumePath);

}  // namespace vorlane
