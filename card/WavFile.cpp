#include "card/WavFile.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "drives/FileAccess.h"

namespace vorlane {
namespace {

std::uint32_t LittleEndian32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace

std::uint32_t DeclaredLengthIn(std::span<const std::uint8_t> header) {
  if (header.size() < 12 || std::memcmp(header.data() + 8, "WAVE", 4) != 0) return 0;
  // The RIFF size counts everything after its own 8-byte header; it wraps modulo 2^32.
  const std::uint32_t declared = LittleEndian32(header.data() + 4) + 8u;
  return declared >= SmallestWavLength ? declared : 0;
}

TWavCheck CheckWavHeader(const std::string& path) {
  // A file shorter than the block leaves zeros, which never spell "WAVE".
  std::array<std::uint8_t, 16> header{};
  const TFileRead read = ReadFileAt(path, 0, header);
  if (read.Status == TFileRead::TStatus::OpenFailed)
    return {TWavCheck::TProblem::CannotOpen, 0, read.Error};
  const std::uint32_t declared =
      read.Status == TFileRead::TStatus::Ok ? DeclaredLengthIn(header) : 0;
  if (declared == 0) return {TWavCheck::TProblem::NotWav, 0, {}};
  return {TWavCheck::TProblem::None, declared, {}};
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
