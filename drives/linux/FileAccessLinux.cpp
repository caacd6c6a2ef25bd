#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "drives/FileAccess.h"
#include "drives/linux/LastError.h"

namespace vorlane {
namespace {

TFileRead Failure(TFileRead::TStatus status, std::error_code error) {
  TFileRead result;
  result.Status = status;
  result.Error = error;
  return result;
}

// Reads until data is full or the file ends.
TFileRead ReadAll(int fd, std::uint64_t offset, std::span<std::uint8_t> data) {
  TFileRead result;
  while (result.Count < data.size()) {
    const ssize_t got = pread(fd, data.data() + result.Count, data.size() - result.Count,
                              static_cast<off_t>(offset + result.Count));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Failure(TFileRead::TStatus::ReadFailed, LastError());
    if (got == 0) break;  // end of file
    result.Count += static_cast<std::size_t>(got);
  }
  return result;
}

}  // namespace

// Linux has no share modes to ask for: every sharing reads the same way.
TFileRead ReadFileAt(const std::string& path, std::uint64_t offset, std::span<std::uint8_t> data,
                     TFileSharing /*sharing*/) {
  // O_NONBLOCK: opening a named pipe for reading would otherwise wait for a writer, for good.
  // It changes nothing for the regular files that are all this ever reads.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return Failure(TFileRead::TStatus::OpenFailed, LastError());
  struct stat info {};
  TFileRead result;
  if (fstat(fd, &info) != 0)
    result = Failure(TFileRead::TStatus::ReadFailed, LastError());
  else if (!S_ISREG(info.st_mode))
    result = Failure(TFileRead::TStatus::NotRegular, {});
  else
    result = ReadAll(fd, offset, data);
  if (result.Status == TFileRead::TStatus::Ok)
    result.FileBytes = static_cast<std::uint64_t>(info.st_size);
  close(fd);
  return result;
}

std::error_code AppendDurably(const std::string& path, std::string_view text) {
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return LastError();
  std::error_code error;
  for (std::size_t done = 0; done < text.size() && !error;) {
    const ssize_t put = write(fd, text.data() + done, text.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0)
      error = LastError();
    else
      done += static_cast<std::size_t>(put);
  }
  if (!error && fsync(fd) != 0) error = LastError();
  if (close(fd) != 0 && !error) error = LastError();
  return error;
}

}  // namespace vorlane
