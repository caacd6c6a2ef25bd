// Reads what a file or device holds, past whatever the code under test did with it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace vorlane::testing {

inline std::vector<std::uint8_t> ReadFileRange(const std::filesystem::path& path,
                                               std::uint64_t offset, std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  std::ifstream file(path, std::ios::binary);
  file.seekg(static_cast<std::streamoff>(offset));
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  return bytes;
}

}  // namespace vorlane::testing
