// The two things the card needs of a WAV file: its declared length, and its bytes as image
// sectors. Nothing is decoded: the player gets the file as it stands, header included.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <system_error>

#include "card/CardLayout.h"

namespace vorlane {

// A RIFF/WAVE file needs 44 bytes for its header, a format chunk and a data chunk header.
inline constexpr std::uint32_t SmallestWavLength = 44;

// The length a WAV header declares (RIFF size field + 8, modulo 2^32), or 0 when the bytes are
// no WAV file: bytes 8..11 are not "WAVE", or the declared length is below 44. The placeholder
// sizes that streaming writers and cut-off recordings leave (0 or 0xFFFFFFFF) wrap to 8 or 7,
// and no playable file is that short. Bytes 0..3 are not examined.
std::uint32_t DeclaredLengthIn(std::span<const std::uint8_t> header);

// What the check of a chosen file found: its declared length, or which check failed and why.
struct TWavCheck {
  enum class TProblem {
    None,
    CannotOpen,  // the file could not be opened; Error says why
    NotWav,      // no regular file, or its header is no WAV header
  };
  TProblem Problem = TProblem::None;
  std::uint32_t DeclaredLength = 0;  // 0 unless the check passed
  std::error_code Error;
  friend bool operator==(const TWavCheck&, const TWavCheck&) = default;
};

// Opens the file alone, reads its first 16 bytes and applies DeclaredLengthIn. The size limit
// is the caller's to apply.
TWavCheck CheckWavHeader(const std::string& path);

// Fills sectors with the image bytes from offset on: the file's bytes where it has them, PadByte
// past its end. Opens and closes the file for this one call, so a file that vanished or can no
// longer be read gives its error instead of a made-up image.
std::error_code ReadWavSectors(const std::string& path, std::uint64_t offset,
                               std::span<std::uint8_t> sectors);

}  // namespace vorlane
