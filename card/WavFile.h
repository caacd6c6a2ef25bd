// The two things the card needs of a WAV file: its declared length, and its bytes as image
// sectors. Nothing is decoded: the player gets the file as it stands, header included.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <system_error>

#include "card/CardLayout.h"

namespace vorlane {

// A chosen file that could not be opened. what() is the text the error box shows.
class TFileOpenError : public std::runtime_error {
 public:
  TFileOpenError(const std::string& path, const std::string& systemText);
};

using TShowMessage = std::function<void(const std::string& text)>;

inline constexpr const char* NotWavMessage = "此文件不是有效的WAV文件";

// A RIFF/WAVE file needs 44 bytes for its header, a format chunk and a data chunk header.
inline constexpr std::uint32_t SmallestWavLength = 44;

// Returns the length the RIFF header declares (size field + 8, modulo 2^32), or 0 with the
// "not a valid WAV file" message when the file is no regular file, bytes 8..11 are not "WAVE",
// or the declared length is below 44: the placeholder sizes that streaming writers and cut-off
// recordings leave (0 or 0xFFFFFFFF) wrap to 8 or 7, and no playable file is that short.
// Throws TFileOpenError when the file cannot be opened.
std::uint32_t CheckWavHeader(const std::string& path, const TShowMessage& showMessage);

// Fills sectors with the image bytes from offset on: the file's bytes where it has them, PadByte
// past its end. Opens and closes the file for this one call, so a file that vanished or can no
// longer be read gives its error instead of a made-up image.
std::error_code ReadWavSectors(const std::string& path, std::uint64_t offset,
                               std::span<std::uint8_t> sectors);

}  // namespace vorlane
