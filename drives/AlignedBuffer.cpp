#include "drives/AlignedBuffer.h"

#include <algorithm>
#include <utility>

namespace vorlane {

TAlignedBuffer::TAlignedBuffer(std::size_t size)
    : TAlignedBuffer(
          static_cast<std::uint8_t*>(::operator new[](size, std::align_val_t{PageAlignment})),
          size) {}

std::optional<TAlignedBuffer> TAlignedBuffer::TryAllocate(std::size_t size) {
  void* memory = ::operator new[](size, std::align_val_t{PageAlignment}, std::nothrow);
  if (!memory) return std::nullopt;
  return TAlignedBuffer(static_cast<std::uint8_t*>(memory), size);
}

TAlignedBuffer::TAlignedBuffer(std::uint8_t* memory, std::size_t size)
    : Memory(memory), Length(size) {
  std::fill_n(Memory.get(), Length, std::uint8_t{0});
}

// A moved-from buffer is empty, so its size never promises bytes it no longer has.
TAlignedBuffer::TAlignedBuffer(TAlignedBuffer&& other) noexcept
    : Memory(std::move(other.Memory)), Length(std::exchange(other.Length, 0)) {}

TAlignedBuffer& TAlignedBuffer::operator=(TAlignedBuffer&& other) noexcept {
  Memory = std::move(other.Memory);
  Length = std::exchange(other.Length, 0);
  return *this;
}

}  // namespace vorlane
