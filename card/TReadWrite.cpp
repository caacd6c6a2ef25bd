#include "card/TReadWrite.h"

#include "card/ImageWriter.h"
#include "card/WavFile.h"

namespace vorlane {
namespace {

constexpr unsigned BeepHz = 800;
constexpr std::uint64_t TestSectorByte = std::uint64_t{TestSector} * SectorSize;

}  // namespace

TReadWriteThread::TReadWriteThread(TWriteRequest request, TJobWindow& window, TPlatform& platform,
                                   TSector& SectorBuf)
    : Request(std::move(request)),
      Window(window),
      Platform(platform),
      SectorBuf(SectorBuf),
      Thread([this](std::stop_token stop) { Execute(stop); }) {}

TReadWriteThread::~TReadWriteThread() {
  RequestStop();
  WaitFor();
}

void TReadWriteThread::WaitFor() {
  if (Thread.joinable()) Thread.join();
}

// A failure the card layer did not foresee (no memory for the transfers, no thread for them, a
// backend that throws) must not take the program down with the card half written: it ends the
// job as a failed write, buttons back.
void TReadWriteThread::Execute(std::stop_token stop) {
  Stop = stop;
  try {
    Run();
  } catch (const std::exception&) {
    FailTransfer("写入SD卡失败!", true, WriteErrorText);
  }
}

void TReadWriteThread::Run() {
  // The window refuses these lengths itself; the job still must not divide by a zero sector
  // count or run a segment into the next one.
  if (!IsWritableLength(Request.Slot.DeclaredLength)) {
    if (!Stop.stop_requested())
      Window.ShowMessage(Request.Slot.DeclaredLength == 0 ? "请先打开WAV格式文件"
                                                          : "WAV文件不能大于400M");
    ReEnable();
  } else if (auto volume = Platform.OpenVolume(VolumePathFor(Request.DriveEntry)); !volume) {
    if (!Stop.stop_requested()) Window.ShowMessage(ReinsertDiskMessage);
    ReEnable();
  } else if (TestCard(*volume)) {
    WriteImage(*volume);
  }
}

// Writes the test pattern, reads it back from the card and compares: a card that is missing,
// write-protected or fake fails here, before any segment data is touched.
bool TReadWriteThread::TestCard(TVolume& volume) {
  SectorBuf = MakeTestPattern();
  if (!volume.Write(TestSectorByte, SectorBuf) || !volume.Sync()) {
    FailTransfer("写入SD卡失败!", false, WriteErrorText);
    return false;
  }
  if (!volume.Read(TestSectorByte, ReadBack)) {
    FailTransfer("读SD卡失败!", false, ReadErrorText);
    return false;
  }
  if (ReadBack != SectorBuf) {
    ReEnable();
    SetProgress(0);
    Alarm();
    SetStatus("测试SD卡失败!");
    SetStatusColor(StatusRed);
    return false;
  }
  return true;
}

// Sector c of the image holds file bytes 512c..512c+511, padded with 0x80; the image is one
// sector longer than the declared length needs, so it always ends in padding.
void TReadWriteThread::WriteImage(TVolume& volume) {
  const std::uint32_t sectorCount = SectorCountFor(Request.Slot.DeclaredLength);
  const std::uint64_t startByte = std::uint64_t{StartSectorFor(Request.WriteMode)} * SectorSize;
  TImageWriter writer(volume, startByte);
  for (std::uint32_t c = 0; c <= sectorCount; ++c) {
    if (Stop.stop_requested()) {
      writer.Finish();  // keep what was written; the closing window hears nothing
      return;
    }
    const std::uint64_t offset = std::uint64_t{c} * SectorSize;
    if (!ReadWavSector(Request.Slot.File, offset, SectorBuf) || !writer.Append(SectorBuf)) {
      FailTransfer("写入SD卡失败!", true, WriteErrorText);
      return;
    }
    SetProgress(static_cast<int>(std::uint64_t{c} * 100 / sectorCount));
  }
  // Success only once the card has confirmed every sector.
  if (!writer.Finish()) {
    FailTransfer("写入SD卡失败!", true, WriteErrorText);
    return;
  }
  SetStatus("已成功写入SD卡!");
  SetStatusColor(StatusGreen);
  SetProgress(0);
  if (!Stop.stop_requested()) Platform.Beep(BeepHz, 200);
  ReEnable();
}

void TReadWriteThread::FailTransfer(const char* statusText, bool red, const char* error) {
  SetStatus(statusText);
  if (red) SetStatusColor(StatusRed);
  ReEnable();
  SetProgress(0);
  Alarm();
  Error = error;
}

// Every call to the window is dropped once the window has asked the job to stop: it is closing.
void TReadWriteThread::ReEnable() {
  for (int button = 1; button <= 4 && !Stop.stop_requested(); ++button) Window.EnableButton(button);
}

void TReadWriteThread::Alarm() {
  if (Stop.stop_requested()) return;
  Platform.Beep(BeepHz, 100);
  Platform.Sleep(100);
  Platform.Beep(BeepHz, 100);
}

void TReadWriteThread::SetStatus(const std::string& text) {
  if (!Stop.stop_requested()) Window.SetStatusText(Request.WriteMode, text);
}

void TReadWriteThread::SetStatusColor(TColor color) {
  if (!Stop.stop_requested()) Window.SetStatusColor(Request.WriteMode, color);
}

// The gauge only hears of a new value: at most 101 hand-offs however long the segment.
void TReadWriteThread::SetProgress(int percent) {
  if (percent == ShownProgress || Stop.stop_requested()) return;
  ShownProgress = percent;
  Window.SetProgress(percent);
}

}  // namespace vorlane
