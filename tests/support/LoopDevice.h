// A real block device for tests: a loop device over a sparse image file. Tests that need one
// skip cleanly where loop devices or root are missing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace vorlane::testing {

class TLoopDevice {
 public:
  // Attaches a new loop device over a sparse file of the given size, with the volume starting
  // offsetBytes into it (as a partition would) and the given logical sector size. The file is
  // made in folder. Empty when that is not possible here.
  static std::optional<TLoopDevice> Attach(std::uint64_t sizeBytes, std::uint64_t offsetBytes = 0,
                                           unsigned sectorSize = 512,
                                           const std::string& folder = "/var/tmp");
  ~TLoopDevice();
  TLoopDevice(TLoopDevice&& other) noexcept;
  TLoopDevice& operator=(TLoopDevice&&) = delete;

  const std::string& Device() const { return DevicePath; }  // "/dev/loop3"
  std::string KernelName() const;                           // "loop3"
  const std::filesystem::path& BackingFile() const { return Image; }

 private:
  TLoopDevice(std::string device, std::filesystem::path image)
      : DevicePath(std::move(device)), Image(std::move(image)) {}
  std::string DevicePath;
  std::filesystem::path Image;
};

}  // namespace vorlane::testing
