#include <unistd.h>

#include <array>
#include <chrono>
#include <thread>

#include "drives/Platform.h"
#include "drives/linux/BeepLinux.h"

namespace vorlane {
namespace {

class TLinuxPlatform final : public TPlatform {
 public:
  TVolumeOpening OpenVolume(const std::string& volumePath) override {
    return vorlane::OpenVolume(volumePath);
  }
  void Beep(unsigned frequencyHz, unsigned durationMs) override {
    BeepOnDefaultOutput(frequencyHz, durationMs);
  }
  void Sleep(unsigned durationMs) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(durationMs));
  }
};

}  // namespace

TPlatform& SystemPlatform() {
  static TLinuxPlatform platform;
  return platform;
}

// The drive list shows kernel names (sdb1, mmcblk0p1); their nodes live in /dev.
std::string VolumePathFor(const std::string& driveEntry) {
  return "/dev/" + driveEntry;
}

std::string HostName() {
  std::array<char, 256> name{};
  if (gethostname(name.data(), name.size() - 1) != 0) return {};
  return name.data();
}

}  // namespace vorlane
