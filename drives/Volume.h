#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <system_error>

namespace vorlane {

// An open card volume. Offsets and lengths are whole 512-byte sectors; buffers may be anywhere
// in memory (4 KiB-aligned ones avoid a copy). Closing is destruction. Every transfer returns
// the system's error, empty on success, so a failure can be told apart and logged.
class TVolume {
 public:
  virtual ~TVolume() = default;
  // Succeeds only when every byte was handed to the card (a caching backend makes that final
  // at Sync, so an error from Sync means an earlier write did not reach the card). Running
  // into the end of the volume is an error too.
  virtual std::error_code Write(std::uint64_t byteOffset, std::span<const std::uint8_t> data) = 0;
  // Reads from the card itself, never from a cache of what was just written, so comparing the
  // result with what was written proves the card keeps data.
  virtual std::error_code Read(std::uint64_t byteOffset, std::span<std::uint8_t> data) = 0;
  // Returns once the card has confirmed every earlier write.
  virtual std::error_code Sync() = 0;
};

// An opened volume, or why it could not be opened: no card, no such drive, no permission, a
// file system that would not come off, a refused authorisation.
struct TVolumeOpening {
  TVolumeOpening(std::unique_ptr<TVolume> volume = nullptr, std::error_code error = {},
                 std::string detail = {})
      : Volume(std::move(volume)), Error(error), Detail(std::move(detail)) {}
  std::unique_ptr<TVolume> Volume;
  std::error_code Error;
  std::string Detail;  // the disk service's own words for Error, where it gave any
};

// Opens an existing volume (block device or card image) for reading and writing. A missing
// node is never created.
TVolumeOpening OpenVolume(const std::string& volumePath);

// Whether an open failed because the reader held no card: one taken out, or one just put in
// that the reader does not yet answer for.
bool IsNoCardError(std::error_code error);

// The error a transfer reports when the volume ended before all its bytes moved.
std::error_code EndOfVolumeError();

}  // namespace vorlane
