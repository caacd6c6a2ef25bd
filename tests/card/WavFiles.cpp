#include "tests/card/WavFiles.h"

#include <cstring>
#include <fstream>
#include <random>

namespace vorlane::testing {

// A random name, drawn again until the folder is new, so tests running at once never share one.
TTempFolder::TTempFolder() {
  std::random_device random;
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  do Folder = base / ("vorlane-test-" + std::to_string(random()));
  while (!std::filesystem::create_directory(Folder));
}

TTempFolder::~TTempFolder() {
  std::filesystem::remove_all(Folder);
}

std::string TTempFolder::Write(const std::string& name,
                               const std::vector<std::uint8_t>& bytes) const {
  const std::filesystem::path path = Folder / name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return path.string();
}

std::vector<std::uint8_t> MakeWavBytes(std::uint32_t declaredLength, std::size_t fileSize) {
  std::vector<std::uint8_t> bytes(fileSize);
  for (std::size_t i = 0; i < fileSize; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  const std::uint32_t sizeField = declaredLength - 8;
  const std::uint8_t header[12] = {'R',
                                   'I',
                                   'F',
                                   'F',
                                   static_cast<std::uint8_t>(sizeField),
                                   static_cast<std::uint8_t>(sizeField >> 8),
                                   static_cast<std::uint8_t>(sizeField >> 16),
                                   static_cast<std::uint8_t>(sizeField >> 24),
                                   'W',
                                   'A',
                                   'V',
                                   'E'};
  std::memcpy(bytes.data(), header, std::min<std::size_t>(12, fileSize));
  return bytes;
}

}  // namespace vorlane::testing
