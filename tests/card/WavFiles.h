// Hand-made WAV files for tests, in a folder that is removed again.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vorlane::testing {

class TTempFolder {
 public:
  TTempFolder();
  ~TTempFolder();
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
  std::filesystem::path Path() const { return Folder; }

 private:
  std::filesystem::path Folder;
};

// A file of fileSize bytes whose RIFF header declares declaredLength (size field L - 8, "WAVE"
// at bytes 8..11). Every byte after the 12-byte header is distinct from its neighbours and
// from the 0x80 padding pattern, so misplaced or missing bytes show.
std::vector<std::uint8_t> MakeWavBytes(std::uint32_t declaredLength, std::size_t fileSize);

// The system's text for opening a file that does not exist, as the file-open error shows it:
// without its closing full stop and line break.
std::string MissingFileText();

}  // namespace vorlane::testing
