// Raw card volumes on Linux. Two honest modes:
// - Direct: block devices with 512-byte logical sectors (every SD card) are driven with
//   O_DIRECT, so writes reach the device instead of the page cache and a read-back comes from
//   the card. A buffered 512-byte write would also make the kernel read the whole 4 KiB page
//   from the card first.
// - Buffered: card images and devices with other sector sizes. Sync is fdatasync, and a read
//   first drops the cached pages so it is served from the storage below.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "drives/AlignedTransfer.h"
#include "drives/linux/LastError.h"
#include "drives/linux/VolumeLinux.h"

namespace vorlane {
namespace {

// pwrite/pread move fewer bytes than asked on signals and device limits; loop until done.
template <typename TSystemCall, typename TByte>
std::error_code TransferAll(TSystemCall systemCall, int fd, std::span<TByte> bytes,
                            std::uint64_t offset) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t moved =
        systemCall(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (moved < 0 && errno == EINTR) continue;
    if (moved < 0) return LastError();
    if (moved == 0) return EndOfVolumeError();
    done += static_cast<std::size_t>(moved);
  }
  return {};
}

class TLinuxVolume final : public TVolume {
 public:
  TLinuxVolume(int fd, bool direct) : Fd(fd), Direct(direct) {}
  ~TLinuxVolume() override { close(Fd); }
  TLinuxVolume(const TLinuxVolume&) = delete;
  TLinuxVolume& operator=(const TLinuxVolume&) = delete;

  std::error_code Write(std::uint64_t byteOffset, std::span<const std::uint8_t> data) override {
    const auto writeAll = [&](std::span<const std::uint8_t> bytes) {
      return TransferAll(pwrite, Fd, bytes, byteOffset);
    };
    return Direct ? WriteFromAligned(data, writeAll) : writeAll(data);
  }

  std::error_code Read(std::uint64_t byteOffset, std::span<std::uint8_t> data) override {
    if (!Direct) DropCachedPages(byteOffset, data.size());
    const auto readAll = [&](std::span<std::uint8_t> bytes) {
      return TransferAll(pread, Fd, bytes, byteOffset);
    };
    return Direct ? ReadIntoAligned(data, readAll) : readAll(data);
  }

  std::error_code Sync() override {
    int rc;
    do rc = fdatasync(Fd);
    while (rc != 0 && errno == EINTR);
    return rc == 0 ? std::error_code() : LastError();
  }

 private:
  // Clean pages only: whatever was written has been synced by the time a read-back is asked.
  void DropCachedPages(std::uint64_t byteOffset, std::size_t size) const {
    const std::uint64_t page = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    const std::uint64_t first = byteOffset / page * page;
    const std::uint64_t end = (byteOffset + size + page - 1) / page * page;
    posix_fadvise(Fd, static_cast<off_t>(first), static_cast<off_t>(end - first),
                  POSIX_FADV_DONTNEED);
  }

  int Fd;
  bool Direct;
};

// Direct I/O for block devices with 512-byte logical sectors, buffered otherwise. The flag is
// also cleared where it does not fit: the disk service hands over descriptors opened with it.
bool ChooseDirect(int fd, const struct stat& info) {
  int logicalSectorSize = 0;
  const bool direct = S_ISBLK(info.st_mode) && ioctl(fd, BLKSSZGET, &logicalSectorSize) == 0 &&
                      logicalSectorSize == 512;
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0) return false;
  return fcntl(fd, F_SETFL, direct ? flags | O_DIRECT : flags & ~O_DIRECT) == 0 && direct;
}

}  // namespace

TVolumeOpening AdoptVolumeDescriptor(int fd) {
  struct stat info {};
  std::error_code error;
  if (fstat(fd, &info) != 0)
    error = LastError();
  else if (!(S_ISBLK(info.st_mode) || S_ISREG(info.st_mode)))
    error = std::make_error_code(std::errc::no_such_device);  // a folder or character device
  if (error) {
    close(fd);
    return {nullptr, error};
  }
  return {std::make_unique<TLinuxVolume>(fd, ChooseDirect(fd, info)), {}};
}

}  // namespace vorlane
