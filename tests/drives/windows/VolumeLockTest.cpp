// The order in which a card volume is opened, taken off its file system, written and closed,
// recorded on a stand-in for kernel32.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <deque>
#include <string>
#include <vector>

#include "drives/windows/VolumeWindows.h"
#include "drives/windows/WindowsError.h"

namespace vorlane {
namespace {

const HANDLE CardHandle = reinterpret_cast<HANDLE>(0x5150);

// Answers as a card's volume would; each call's answer can be set to fail with an error.
class TRecordingKernel32 final : public TKernel32 {
 public:
  std::vector<std::string> Calls;
  std::deque<DWORD> LockAnswers;  // one per attempt; granted once they run out
  DWORD DasdAnswer = ERROR_SUCCESS;
  DWORD DismountAnswer = ERROR_SUCCESS;
  DWORD WriteAnswer = ERROR_SUCCESS;
  DWORD FlushAnswer = ERROR_SUCCESS;
  DWORD Type = FILE_TYPE_DISK;
  bool ReadReachesEnd = false;
  DWORD OpenFlags = 0;
  DWORD OpenShareMode = 0;
  DWORD SleptMs = 0;
  bool EveryCallOnTheCard = true;
  bool EveryBufferAligned = true;

  HANDLE Open(const std::string&, DWORD, DWORD shareMode, DWORD flags) override {
    Calls.push_back("open");
    OpenFlags = flags;
    OpenShareMode = shareMode;
    return CardHandle;
  }
  DWORD FileType(HANDLE handle) override { return On(handle, "type") ? Type : FILE_TYPE_UNKNOWN; }
  BOOL Control(HANDLE handle, DWORD code) override {
    switch (code) {
      case FSCTL_ALLOW_EXTENDED_DASD_IO:
        return Answer(handle, "dasd", DasdAnswer);
      case FSCTL_LOCK_VOLUME: {
        const DWORD answer = LockAnswers.empty() ? ERROR_SUCCESS : LockAnswers.front();
        if (!LockAnswers.empty()) LockAnswers.pop_front();
        return Answer(handle, "lock", answer);
      }
      case FSCTL_DISMOUNT_VOLUME:
        return Answer(handle, "dismount", DismountAnswer);
      case FSCTL_UNLOCK_VOLUME:
        return Answer(handle, "unlock", ERROR_SUCCESS);
    }
    return Answer(handle, "unknown control", ERROR_INVALID_FUNCTION);
  }
  BOOL Seek(HANDLE handle, std::uint64_t) override { return On(handle, "seek"); }
  BOOL Read(HANDLE handle, void* data, DWORD size, DWORD& moved) override {
    NoteBuffer(data);
    std::fill_n(static_cast<std::uint8_t*>(data), size, std::uint8_t{0x5A});
    moved = ReadReachesEnd ? 0 : size;
    return On(handle, "read");
  }
  BOOL Write(HANDLE handle, const void* data, DWORD size, DWORD& moved) override {
    NoteBuffer(data);
    moved = WriteAnswer == ERROR_SUCCESS ? size : 0;
    return Answer(handle, "write", WriteAnswer);
  }
  BOOL Flush(HANDLE handle) override { return Answer(handle, "flush", FlushAnswer); }
  BOOL Close(HANDLE handle) override { return On(handle, "close"); }
  void Sleep(DWORD durationMs) override {
    Calls.push_back("sleep");
    SleptMs += durationMs;
  }

  long Count(const std::string& call) const { return std::ranges::count(Calls, call); }

 private:
  BOOL On(HANDLE handle, const char* call) {
    Calls.push_back(call);
    EveryCallOnTheCard = EveryCallOnTheCard && handle == CardHandle;
    return TRUE;
  }
  BOOL Answer(HANDLE handle, const char* call, DWORD error) {
    On(handle, call);
    SetLastError(error);
    return error == ERROR_SUCCESS;
  }
  void NoteBuffer(const void* data) {
    EveryBufferAligned = EveryBufferAligned && reinterpret_cast<std::uintptr_t>(data) % 4096 == 0;
  }
};

using Calls = std::vector<std::string>;

TEST(VolumeLock, TakesTheFileSystemOffBeforeTheFirstTransferAndGivesItBackAfterTheLastFlush) {
  TRecordingKernel32 kernel32;
  kernel32.LockAnswers = {ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED};  // Explorer still looking
  {
    TVolumeOpening opening = OpenVolumeWith(kernel32, "\\\\.\\E:");
    ASSERT_NE(opening.Volume, nullptr) << opening.Error.message();
    EXPECT_FALSE(opening.Error);
    std::array<std::uint8_t, 513> sector{};  // the job's test sector need not be aligned
    const std::span<std::uint8_t> unaligned = std::span(sector).subspan(1);
    EXPECT_FALSE(opening.Volume->Write(8190 * 512, unaligned));
    EXPECT_FALSE(opening.Volume->Read(8190 * 512, unaligned));
    EXPECT_EQ(unaligned[511], 0x5A) << "the read-back reaches the caller's buffer";
    EXPECT_FALSE(opening.Volume->Sync());
  }
  EXPECT_EQ(kernel32.Calls,
            (Calls{"open", "type", "dasd", "lock", "sleep", "lock", "sleep", "lock", "dismount",
                   "seek", "write", "seek", "read", "flush", "flush", "unlock", "close"}));
  EXPECT_TRUE(kernel32.EveryCallOnTheCard) << "a locked volume admits only the locking handle";
  EXPECT_TRUE(kernel32.EveryBufferAligned) << "uncached transfers need aligned memory";
  EXPECT_TRUE(kernel32.OpenFlags & FILE_FLAG_NO_BUFFERING) << "the read-back must see the card";
  EXPECT_TRUE(kernel32.OpenFlags & FILE_FLAG_WRITE_THROUGH);
  EXPECT_EQ(kernel32.OpenShareMode, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE})
      << "opening must not fail while Explorer holds the card; the lock waits for it";
}

TEST(VolumeLock, ALockThatNeverComesFailsTheOpenWithItsErrorAndNothingIsWritten) {
  TRecordingKernel32 kernel32;
  kernel32.LockAnswers.assign(1000, ERROR_ACCESS_DENIED);
  const TVolumeOpening opening = OpenVolumeWith(kernel32, "\\\\.\\E:");
  EXPECT_EQ(opening.Volume, nullptr);
  EXPECT_EQ(opening.Error, WindowsError(ERROR_ACCESS_DENIED));
  EXPECT_EQ(opening.Error.value(), 5);
  EXPECT_EQ(kernel32.Count("write") + kernel32.Count("seek") + kernel32.Count("dismount") +
                kernel32.Count("unlock"),
            0);
  EXPECT_EQ(kernel32.Calls.back(), "close");
  // Retried for a few seconds, pausing between attempts only.
  EXPECT_GT(kernel32.Count("lock"), 2);
  EXPECT_EQ(kernel32.Count("sleep"), kernel32.Count("lock") - 1);
  EXPECT_GE(kernel32.SleptMs, 2000u);
  EXPECT_LE(kernel32.SleptMs, 10000u);
}

// Only "in use" is worth waiting for: an empty reader says so at once.
TEST(VolumeLock, OtherRefusalsOfTheLockFailTheOpenAtOnce) {
  TRecordingKernel32 kernel32;
  kernel32.LockAnswers = {ERROR_NOT_READY};
  const TVolumeOpening opening = OpenVolumeWith(kernel32, "\\\\.\\E:");
  EXPECT_EQ(opening.Volume, nullptr);
  EXPECT_EQ(opening.Error, WindowsError(ERROR_NOT_READY));
  EXPECT_EQ(kernel32.Calls, (Calls{"open", "type", "dasd", "lock", "close"}));
}

TEST(VolumeLock, ADismountThatFailsReleasesTheLockAndFailsTheOpen) {
  TRecordingKernel32 kernel32;
  kernel32.DismountAnswer = ERROR_NOT_READY;  // the card was pulled
  const TVolumeOpening opening = OpenVolumeWith(kernel32, "\\\\.\\E:");
  EXPECT_EQ(opening.Volume, nullptr);
  EXPECT_EQ(opening.Error, WindowsError(ERROR_NOT_READY));
  EXPECT_EQ(kernel32.Calls, (Calls{"open", "type", "dasd", "lock", "dismount", "unlock", "close"}));
}

// A card image's file system answers volume controls with "invalid parameter": the image is
// written unlocked. Wine's drive E: grants the lock and answers the dismount that way. Without
// extended DASD I/O (an unformatted card) the volume is still taken off.
TEST(VolumeLock, AnswersThatMeanNoFileSystemLetTheJobGoOnAndOnlyAHeldLockIsReleased) {
  TRecordingKernel32 image;
  image.LockAnswers = {ERROR_INVALID_PARAMETER};
  ASSERT_NE(OpenVolumeWith(image, "card.img").Volume, nullptr);
  EXPECT_EQ(image.Calls, (Calls{"open", "type", "dasd", "lock", "flush", "close"}));

  TRecordingKernel32 wineDriveE;
  wineDriveE.DismountAnswer = ERROR_INVALID_PARAMETER;
  ASSERT_NE(OpenVolumeWith(wineDriveE, "\\\\.\\E:").Volume, nullptr);
  EXPECT_EQ(wineDriveE.Calls,
            (Calls{"open", "type", "dasd", "lock", "dismount", "flush", "unlock", "close"}));

  TRecordingKernel32 unformatted;
  unformatted.DasdAnswer = ERROR_INVALID_FUNCTION;
  ASSERT_NE(OpenVolumeWith(unformatted, "\\\\.\\E:").Volume, nullptr);
  EXPECT_EQ(unformatted.Count("dismount"), 1);
}

TEST(VolumeLock, TransfersThatFailReportTheSystemsError) {
  TRecordingKernel32 kernel32;
  auto volume = OpenVolumeWith(kernel32, "\\\\.\\E:").Volume;
  ASSERT_NE(volume, nullptr);
  alignas(4096) static std::array<std::uint8_t, 4096> sectors{};

  kernel32.WriteAnswer = ERROR_WRITE_PROTECT;
  EXPECT_EQ(volume->Write(0, sectors), WindowsError(ERROR_WRITE_PROTECT));
  kernel32.FlushAnswer = ERROR_IO_DEVICE;
  EXPECT_EQ(volume->Sync(), WindowsError(ERROR_IO_DEVICE));
  kernel32.ReadReachesEnd = true;
  EXPECT_EQ(volume->Read(0, sectors), EndOfVolumeError());
}

TEST(VolumeLock, WhatIsNoDiskIsRefusedWithoutAnyVolumeControl) {
  TRecordingKernel32 kernel32;
  kernel32.Type = FILE_TYPE_CHAR;  // "NUL", a console
  const TVolumeOpening opening = OpenVolumeWith(kernel32, "NUL");
  EXPECT_EQ(opening.Volume, nullptr);
  EXPECT_TRUE(opening.Error);
  EXPECT_EQ(kernel32.Calls, (Calls{"open", "type", "close"}));
}

}  // namespace
}  // namespace vorlane
