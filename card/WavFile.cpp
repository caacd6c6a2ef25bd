#include "card/WavFile.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "drives/FileAccess.h"

namespace vorlane {
namespace {

// The error box adds its own full stop, so the system's text loses trailing dots and blanks.
std::string TrimSystemText(std::string text) {
  while (!text.empty()) {
    const unsigned char last = static_cast<unsigned char>(text.back());
    if (last > ' ' && last != '.') break;
    text.pop_back();
  }
  return text;
}

std::uint32_t LittleEndian32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace

TFileOpenError::TFileOpenError(const std::string& path, const std::string& systemText)
    : std::runtime_error("Cannot open file \"" + path + "\". " + TrimSystemText(systemText)) {}

std::uint32_t CheckWavHeader(const std::string& path, const TShowMessage& showMessage) {
  // A file shorter than the block leaves zeros, which never spell "WAVE".
  std::array<std::uint8_t, 16> header{};
  const TFileRead read = ReadFileAt(path, 0, header);
  if (read.Status == TFileRead::TStatus::OpenFailed)
    throw TFileOpenError(path, read.Error.message());
  // The RIFF size counts everything after its own 8-byte header; wraps like the card's reader.
  const std::uint32_t declared = LittleEndian32(header.data() + 4) + 8u;
  if (read.Status != TFileRead::TStatus::Ok || std::memcmp(header.data() + 8, "WAVE", 4) != 0 ||
      declared < SmallestWavLength) {
    showMessage(NotWavMessage);
    return 0;
  }
  return declared;
}

std::error_code ReadWavSectors(const std::string& path, std::uint64_t offset,
                               std::span<std::uint8_t> sectors) {
  // Other jobs may be writing the same file to other cards at this moment.
  const TFileRead read = ReadFileAt(path, offset, sectors, TFileSharing::WithReaders);
  if (read.Status == TFileRead::TStatus::NotRegular)
    return std::make_error_code(std::errc::invalid_argument);
  // Only the part past the file's end is padding; the rest came from the file.
  std::fill(sectors.begin() + static_cast<std::ptrdiff_t>(read.Count), sectors.end(), PadByte);
  return read.Error;
}

}  // namespace vorlane
