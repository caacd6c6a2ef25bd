#pragma once

#include <algorithm>
#include <optional>
#include <span>
#include <system_error>
#include <utility>

#include "drives/AlignedBuffer.h"

namespace vorlane {

// Uncached volumes move only page-aligned memory, while callers may hand them bytes anywhere
// (the job's test sector, a plain vector). These give the transfer the caller's own bytes where
// they are aligned, and a page-aligned copy of them where they are not. The transfer is a
// callable std::error_code(span) that moves every byte of the span or reports why not.

template <typename TWrite>
std::error_code WriteFromAligned(std::span<const std::uint8_t> data, TWrite write) {
  if (IsPageAligned(data.data())) return write(data);
  std::optional<TAlignedBuffer> bounce = TAlignedBuffer::TryAllocate(data.size());
  if (!bounce) return std::make_error_code(std::errc::not_enough_memory);
  std::copy(data.begin(), data.end(), bounce->Bytes().begin());
  return write(std::as_const(*bounce).Bytes());
}

template <typename TRead>
std::error_code ReadIntoAligned(std::span<std::uint8_t> data, TRead read) {
  if (IsPageAligned(data.data())) return read(data);
  std::optional<TAlignedBuffer> bounce = TAlignedBuffer::TryAllocate(data.size());
  if (!bounce) return std::make_error_code(std::errc::not_enough_memory);
  const std::error_code error = read(bounce->Bytes());
  if (!error) std::copy(bounce->Bytes().begin(), bounce->Bytes().end(), data.begin());
  return error;
}

}  // namespace vorlane
