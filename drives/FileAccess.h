#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vorlane {

struct TFileRead {
  enum class TStatus { Ok, OpenFailed, ReadFailed };
  TStatus Status = TStatus::Ok;
  std::size_t Count = 0;  // bytes read; fewer than asked only at the end of the file
  std::string ErrorText;  // the system's text for a failure, as it gives it
};

// Opens the file for reading only (refusing other openers where the OS can), reads up to
// data.size() bytes from offset, and closes it again: no handle outlives the call.
TFileRead ReadFileAt(const std::string& path, std::uint64_t offset, std::span<std::uint8_t> data);

}  // namespace vorlane
