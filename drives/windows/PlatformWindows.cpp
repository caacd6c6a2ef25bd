#include <windows.h>

#include <array>
#include <chrono>
#include <thread>

#include "drives/Platform.h"
#include "drives/WideText.h"

namespace vorlane {
namespace {

class TWindowsPlatform final : public TPlatform {
 public:
  TVolumeOpening OpenVolume(const std::string& volumePath) override {
    return vorlane::OpenVolume(volumePath);
  }
  // Kernel32's Beep plays on the default sound device and returns when the tone ends. Without
  // a sound device it returns at once, so the caller is held for the tone's length either way.
  void Beep(unsigned frequencyHz, unsigned durationMs) override {
    const auto start = std::chrono::steady_clock::now();
    ::Beep(frequencyHz, durationMs);
    std::this_thread::sleep_until(start + std::chrono::milliseconds(durationMs));
  }
  void Sleep(unsigned durationMs) override { ::Sleep(durationMs); }
};

}  // namespace

TPlatform& SystemPlatform() {
  static TWindowsPlatform platform;
  return platform;
}

// "\\.\E:" names the volume itself, sector 0 first; "E:\" would name its root folder.
std::string VolumePathFor(const std::string& driveEntry) {
  return "\\\\.\\" + driveEntry;
}

std::string HostName() {
  std::array<wchar_t, MAX_COMPUTERNAME_LENGTH + 1> name{};
  DWORD size = name.size();
  if (!GetComputerNameW(name.data(), &size)) return {};
  return WideToUtf8(std::wstring(name.data(), size));
}

}  // namespace vorlane
