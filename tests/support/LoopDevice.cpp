#include "tests/support/LoopDevice.h"

#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <thread>

namespace vorlane::testing {
namespace {

std::string RunForLine(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return {};
  std::array<char, 256> line{};
  if (!fgets(line.data(), line.size(), pipe.get())) return {};
  std::string text = line.data();
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// The file the kernel's loop device reads and writes; empty once it has let go of it.
std::string BackingFileOf(const std::string& kernelName) {
  std::ifstream attribute("/sys/block/" + kernelName + "/loop/backing_file");
  std::string file;
  std::getline(attribute, file);
  return file;
}

}  // namespace

std::optional<TLoopDevice> TLoopDevice::Attach(std::uint64_t sizeBytes, std::uint64_t offsetBytes,
                                               unsigned sectorSize, const std::string& folder) {
  if (geteuid() != 0 || access("/dev/loop-control", F_OK) != 0) return std::nullopt;
  std::string pattern = folder + "/vorlane-card-XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) return std::nullopt;
  const bool sized = ftruncate(fd, static_cast<off_t>(sizeBytes)) == 0;
  close(fd);
  const std::filesystem::path image = pattern;
  const std::string device =
      sized ? RunForLine("losetup -f --show -o " + std::to_string(offsetBytes) + " --sector-size " +
                         std::to_string(sectorSize) + " " + image.string() + " 2>/dev/null")
            : std::string();
  if (device.rfind("/dev/loop", 0) != 0) {
    std::filesystem::remove(image);
    return std::nullopt;
  }
  return TLoopDevice(device, image);
}

TLoopDevice::TLoopDevice(TLoopDevice&& other) noexcept
    : DevicePath(std::move(other.DevicePath)), Image(std::move(other.Image)) {
  other.DevicePath.clear();
  other.Image.clear();
}

// A detach while anyone else has the device open (udev probing it after a write, say) only
// marks it; the kernel lets go of the image when the last opener closes. Until then the image
// is in use and its file system cannot be unmounted, so the detach is waited for.
TLoopDevice::~TLoopDevice() {
  if (!DevicePath.empty()) {
    RunForLine("losetup -d " + DevicePath + " 2>&1");
    for (int tries = 0; tries < 1000 && BackingFileOf(KernelName()) == Image.string(); ++tries)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!Image.empty()) std::filesystem::remove(Image);
}

std::string TLoopDevice::KernelName() const {
  return std::filesystem::path(DevicePath).filename().string();
}

}  // namespace vorlane::testing
