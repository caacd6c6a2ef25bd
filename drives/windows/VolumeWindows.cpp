// Raw card volumes on Windows: "\\.\E:" for a card in a reader, or a card image's file name.
//
// Since Vista, Windows refuses writes through a volume handle into the sectors of a mounted file
// system unless the volume is locked or dismounted, and the test sector and both segments lie
// inside the file system of any formatted card. So the volume is taken off its file system for
// the job, as disk imaging tools do:
// 1. FSCTL_ALLOW_EXTENDED_DASD_IO lets transfers reach sectors past the end the file system
//    claims. Best effort: file systems without it (RAW, on an unformatted card) already serve
//    the whole volume.
// 2. FSCTL_LOCK_VOLUME. While another program has anything open on the volume the lock is
//    refused as "access denied"; Explorer, indexers and virus scanners hold files on a newly
//    inserted card for a moment, so that answer is retried for about five seconds. A lock still
//    refused then, or refused for any other reason ("not ready": no card), fails the open before
//    anything is written.
// 3. FSCTL_DISMOUNT_VOLUME, so the file system forgets what it cached of the card and reads it
//    anew when it mounts again by itself at its next use.
// The lock is held for the whole job and released as the volume closes, after a last flush.
//
// A locked volume admits no other handle, so one handle does everything. It is opened with
// FILE_FLAG_NO_BUFFERING, which keeps the system cache out of both directions: a read-back comes
// from the card, so comparing it with what was written proves the card keeps data. With
// FILE_FLAG_WRITE_THROUGH each write reaches the card before WriteFile returns, and
// FlushFileBuffers (Sync) has the card commit its own write cache, so Sync succeeding means the
// card has every earlier byte. Uncached transfers need sector-aligned memory, so every transfer
// goes through whole pages (a copy where the caller's buffer is elsewhere). Offsets and lengths
// are whole 512-byte sectors, as on every SD card.
//
// A card image is a plain file: it has no file system of its own to take off. The file system
// holding it answers the volume controls with ERROR_INVALID_PARAMETER (or, elsewhere,
// ERROR_INVALID_FUNCTION or ERROR_NOT_SUPPORTED), and the image is then written unlocked. Wine's
// "\\.\E:" is such a file underneath: it grants the lock and refuses the dismount that way.
// Images are read and written uncached too, so they must lie on a disk with 512-byte logical
// sectors (nearly all do; a 4Kn disk refuses the 512-byte test sector).
#include "drives/windows/VolumeWindows.h"

#include <winioctl.h>

#include "drives/AlignedTransfer.h"
#include "drives/windows/HandleWindows.h"
#include "drives/windows/WindowsError.h"

namespace vorlane {
namespace {

constexpr int LockAttempts = 20;
constexpr DWORD LockRetryMs = 250;

// How a file system answers a volume control sent to a plain file's handle.
bool MeansNoFileSystemHere(DWORD error) {
  return error == ERROR_INVALID_PARAMETER || error == ERROR_INVALID_FUNCTION ||
         error == ERROR_NOT_SUPPORTED;
}

struct TTakenOff {
  bool Locked = false;  // false for a plain file, which is written unlocked
  std::error_code Error;
};

TTakenOff LockVolume(TKernel32& calls, HANDLE volume) {
  for (int attempt = 1;; ++attempt) {
    if (calls.Control(volume, FSCTL_LOCK_VOLUME)) return {true, {}};
    const DWORD error = GetLastError();
    if (MeansNoFileSystemHere(error)) return {false, {}};
    if (error != ERROR_ACCESS_DENIED || attempt == LockAttempts)
      return {false, WindowsError(error)};
    calls.Sleep(LockRetryMs);
  }
}

TTakenOff TakeFileSystemOff(TKernel32& calls, HANDLE volume) {
  calls.Control(volume, FSCTL_ALLOW_EXTENDED_DASD_IO);
  const TTakenOff lock = LockVolume(calls, volume);
  if (!lock.Locked) return lock;
  if (!calls.Control(volume, FSCTL_DISMOUNT_VOLUME)) {
    const DWORD error = GetLastError();
    if (!MeansNoFileSystemHere(error)) {
      calls.Control(volume, FSCTL_UNLOCK_VOLUME);
      return {false, WindowsError(error)};
    }
  }
  return lock;
}

class TWindowsVolume final : public TVolume {
 public:
  TWindowsVolume(TKernel32& calls, TOwnedHandle handle, bool locked)
      : Calls(calls), Handle(std::move(handle)), Locked(locked) {}

  // The job has synced already when it cares; this flush only keeps an abandoned job's writes.
  ~TWindowsVolume() override {
    Calls.Flush(Handle.get());
    if (Locked) Calls.Control(Handle.get(), FSCTL_UNLOCK_VOLUME);
  }

  std::error_code Write(std::uint64_t byteOffset, std::span<const std::uint8_t> data) override {
    return WriteFromAligned(data, [&](std::span<const std::uint8_t> bytes) {
      return WriteAll(Calls, Handle.get(), byteOffset, bytes);
    });
  }

  std::error_code Read(std::uint64_t byteOffset, std::span<std::uint8_t> data) override {
    return ReadIntoAligned(data, [&](std::span<std::uint8_t> bytes) {
      const TTransferred read = ReadUntilFullOrEnd(Calls, Handle.get(), byteOffset, bytes);
      if (read.Error) return read.Error;
      return read.Count == bytes.size() ? std::error_code() : EndOfVolumeError();
    });
  }

  std::error_code Sync() override {
    return Calls.Flush(Handle.get()) ? std::error_code{} : LastWindowsError();
  }

 private:
  TKernel32& Calls;
  TOwnedHandle Handle;
  bool Locked;
};

}  // namespace

TVolumeOpening OpenVolumeWith(TKernel32& calls, const std::string& volumePath) {
  // Shared with other openers, so the open itself succeeds while Explorer still looks at the
  // card; the lock then waits for them.
  TOwnedHandle handle =
      OpenExisting(calls, volumePath, GENERIC_ALL, FILE_SHARE_READ | FILE_SHARE_WRITE,
                   FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH);
  if (!handle) return {nullptr, LastWindowsError()};
  // Volumes and files report FILE_TYPE_DISK; "NUL", consoles, pipes and serial ports do not.
  if (calls.FileType(handle.get()) != FILE_TYPE_DISK)
    return {nullptr, WindowsError(ERROR_NOT_SUPPORTED)};
  const TTakenOff takenOff = TakeFileSystemOff(calls, handle.get());
  if (takenOff.Error) return {nullptr, takenOff.Error};
  return {std::make_unique<TWindowsVolume>(calls, std::move(handle), takenOff.Locked), {}};
}

bool IsNoCardError(std::error_code error) {
  return error == WindowsError(ERROR_NOT_READY);
}

TVolumeOpening OpenVolume(const std::string& volumePath) {
  return OpenVolumeWith(SystemKernel32(), volumePath);
}

}  // namespace vorlane
