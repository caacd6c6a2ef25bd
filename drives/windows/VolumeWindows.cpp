// Raw card volumes on Windows: "\\.\E:" for a card in a reader, or a card image's file name.
//
// Two handles on the same volume, because whether the system cache sits between us and the card
// is the file system's choice: Microsoft's file systems serve volume handles uncached, but others
// may cache them, and plain files (card images) always go through the cache.
// - The writer has full access and no flags, shared with other readers and writers. Whatever a
//   cache still holds of its writes is pushed out by FlushFileBuffers, which also has the card
//   commit its own write cache, so Sync returning true means the card has every earlier byte.
// - The reader is opened with FILE_FLAG_NO_BUFFERING, which never serves data from the system
//   cache. A test sector read through it after a Sync comes from the card itself, so comparing
//   it with what was written proves the card keeps data, not merely that a cache does.
// Uncached I/O needs sector-aligned memory, and some file systems ask that of volume handles
// even without the flag, so both handles only ever see whole pages (a copy where the caller's
// buffer is elsewhere). Offsets and lengths are whole 512-byte sectors, as on every SD card.
#include <cstring>

#include "drives/Volume.h"
#include "drives/windows/HandleWindows.h"

namespace vorlane {
namespace {

constexpr std::uintptr_t PageSize = 4096;

struct TPageRelease {
  void operator()(std::uint8_t* pages) const { VirtualFree(pages, 0, MEM_RELEASE); }
};
using TPageBytes = std::unique_ptr<std::uint8_t[], TPageRelease>;

// VirtualAlloc hands out whole pages: aligned for every sector size a card or disk uses.
TPageBytes AllocatePages(std::size_t size) {
  return TPageBytes(static_cast<std::uint8_t*>(
      VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)));
}

bool IsPageAligned(const void* p) {
  return reinterpret_cast<std::uintptr_t>(p) % PageSize == 0;
}

class TWindowsVolume final : public TVolume {
 public:
  TWindowsVolume(TOwnedHandle writer, TOwnedHandle reader)
      : Writer(std::move(writer)), Reader(std::move(reader)) {}

  bool Write(std::uint64_t byteOffset, std::span<const std::uint8_t> data) override {
    const std::uint8_t* source = data.data();
    TPageBytes bounce;
    if (!IsPageAligned(source)) {
      bounce = AllocatePages(data.size());
      if (!bounce) return false;
      std::memcpy(bounce.get(), source, data.size());
      source = bounce.get();
    }
    return SeekTo(Writer.get(), byteOffset) && WriteAll(Writer.get(), {source, data.size()});
  }

  bool Read(std::uint64_t byteOffset, std::span<std::uint8_t> data) override {
    std::uint8_t* target = data.data();
    TPageBytes bounce;
    if (!IsPageAligned(target)) {
      bounce = AllocatePages(data.size());
      if (!bounce) return false;
      target = bounce.get();
    }
    if (!SeekTo(Reader.get(), byteOffset)) return false;
    // Fewer bytes than asked: the volume ended first.
    if (ReadUntilFullOrEnd(Reader.get(), {target, data.size()}) != data.size()) return false;
    if (bounce) std::memcpy(data.data(), bounce.get(), data.size());
    return true;
  }

  bool Sync() override { return FlushFileBuffers(Writer.get()) != 0; }

 private:
  TOwnedHandle Writer;
  TOwnedHandle Reader;
};

// Volumes and files report FILE_TYPE_DISK; "NUL", consoles, pipes and serial ports do not.
bool IsDiskLike(HANDLE handle) {
  return GetFileType(handle) == FILE_TYPE_DISK;
}

}  // namespace

std::unique_ptr<TVolume> OpenVolume(const std::string& volumePath) {
  TOwnedHandle writer =
      OpenExisting(volumePath, GENERIC_ALL, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
  if (!writer || !IsDiskLike(writer.get())) return nullptr;
  // GENERIC_ALL includes DELETE access, so the reader must share deletion to open beside it.
  TOwnedHandle reader =
      OpenExisting(volumePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                   FILE_FLAG_NO_BUFFERING);
  if (!reader) return nullptr;
  return std::make_unique<TWindowsVolume>(std::move(writer), std::move(reader));
}

}  // namespace vorlane
