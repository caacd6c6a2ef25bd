#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <span>

namespace vorlane {

// Uncached transfers (O_DIRECT, FILE_FLAG_NO_BUFFERING) move only memory aligned to the
// device's sector; a page is aligned for every sector size a card or disk uses.
inline constexpr std::size_t PageAlignment = 4096;

inline bool IsPageAligned(const void* bytes) {
  return reinterpret_cast<std::uintptr_t>(bytes) % PageAlignment == 0;
}

// Page-aligned bytes for card transfers, zero-filled so no stale heap bytes can reach a card.
// A buffer handed to a volume whole, or in whole sectors from its start, is moved without a
// copy.
class TAlignedBuffer {
 public:
  // Throws std::bad_alloc when the memory is not there.
  explicit TAlignedBuffer(std::size_t size);
  // Empty when the memory is not there, for a transfer that reports the error instead.
  static std::optional<TAlignedBuffer> TryAllocate(std::size_t size);

  TAlignedBuffer(TAlignedBuffer&& other) noexcept;
  TAlignedBuffer& operator=(TAlignedBuffer&& other) noexcept;
  TAlignedBuffer(const TAlignedBuffer&) = delete;
  TAlignedBuffer& operator=(const TAlignedBuffer&) = delete;
  ~TAlignedBuffer() = default;

  std::size_t Size() const { return Length; }
  std::span<std::uint8_t> Bytes() { return {Memory.get(), Length}; }
  std::span<const std::uint8_t> Bytes() const { return {Memory.get(), Length}; }
  // The first count bytes; count is at most Size().
  std::span<std::uint8_t> First(std::size_t count) { return Bytes().first(count); }
  std::span<const std::uint8_t> First(std::size_t count) const { return Bytes().first(count); }

 private:
  struct TAlignedDelete {
    void operator()(std::uint8_t* bytes) const {
      ::operator delete[](bytes, std::align_val_t{PageAlignment});
    }
  };
  TAlignedBuffer(std::uint8_t* memory, std::size_t size);

  std::unique_ptr<std::uint8_t[], TAlignedDelete> Memory;
  std::size_t Length;
};

}  // namespace vorlane
