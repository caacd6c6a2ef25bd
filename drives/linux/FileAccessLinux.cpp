#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "drives/FileAccess.h"

namespace vorlane {

TFileRead ReadFileAt(const std::string& path, std::uint64_t offset, std::span<std::uint8_t> data) {
  TFileRead result;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    result.Status = TFileRead::TStatus::OpenFailed;
    result.ErrorText = std::strerror(errno);
    return result;
  }
  while (result.Count < data.size()) {
    const ssize_t got = pread(fd, data.data() + result.Count, data.size() - result.Count,
                              static_cast<off_t>(offset + result.Count));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      result.Status = TFileRead::TStatus::ReadFailed;
      result.ErrorText = std::strerror(errno);
      break;
    }
    if (got == 0) break;  // end of file
    result.Count += static_cast<std::size_t>(got);
  }
  close(fd);
  return result;
}

}  // namespace vorlane
