#include "card/CardImage.h"

#include <cerrno>
#include <fstream>

namespace vorlane {

std::uint64_t SegmentImageEnd(TSegment segment, std::uint32_t declaredLength) {
  return StartByteFor(segment) + ImageBytesFor(declaredLength);
}

std::error_code PrepareCardImage(const std::filesystem::path& path, std::uint64_t bytes) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (!fs::exists(fs::symlink_status(path, error))) {
    // Appending creates the file without truncating one that appeared meanwhile.
    errno = 0;
    if (!std::ofstream(path, std::ios::binary | std::ios::app))
      return errno != 0 ? std::error_code(errno, std::generic_category())
                        : std::make_error_code(std::errc::io_error);
  }
  const fs::file_status status = fs::status(path, error);
  if (error) return error;
  if (!fs::is_regular_file(status)) return std::make_error_code(std::errc::invalid_argument);
  const std::uintmax_t size = fs::file_size(path, error);
  if (!error && size < bytes) fs::resize_file(path, bytes, error);
  return error;
}

}  // namespace vorlane
