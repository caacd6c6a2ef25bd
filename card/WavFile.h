// The two things the card needs of a WAV file: its declared length, and its bytes sector by
// sector. Nothing is decoded: the player gets the file as it stands, header included.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "card/CardLayout.h"

namespace vorlane {

// A chosen file that could not be opened. what() is the text the error box shows.
class TFileOpenError : public std::runtime_error {
 public:
  TFileOpenError(const std::string& path, const std::string& systemText);
};

using TShowMessage = std::function<void(const std::string& text)>;

inline constexpr const char* NotWavMessage = "此文件不是有效的WAV文件";

// Returns the length the RIFF header declares (size field + 8, modulo 2^32), or 0 with the
// "not a valid WAV file" message when bytes 8..11 are not "WAVE". Throws TFileOpenError.
std::uint32_t CheckWavHeader(const std::string& path, const TShowMessage& showMessage);

// Fills SectorBuf with the file's 512 bytes at offset; bytes past the file's end are PadByte.
// False when the file can no longer be opened or read: the card must not get a made-up sector.
bool ReadWavSector(const std::string& path, std::uint64_t offset, TSector& SectorBuf);

}  // namespace vorlane
