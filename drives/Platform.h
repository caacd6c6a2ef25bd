#pragma once

#include <memory>
#include <string>

#include "drives/Volume.h"

namespace vorlane {

// The OS services the write job and its presenters need. Tests hand in a recording stand-in.
class TPlatform {
 public:
  virtual ~TPlatform() = default;
  virtual TVolumeOpening OpenVolume(const std::string& volumePath) = 0;
  // Sounds a tone and returns when it has ended.
  virtual void Beep(unsigned frequencyHz, unsigned durationMs) = 0;
  virtual void Sleep(unsigned durationMs) = 0;
};

TPlatform& SystemPlatform();

// The raw volume behind a drive list entry: "/dev/sdb1" on Linux, "\\.\E:" on Windows. An
// empty entry gives a path that names no volume, so opening it fails.
std::string VolumePathFor(const std::string& driveEntry);

// The machine's name, for records that say which station did the work; empty when unknown.
std::string HostName();

}  // namespace vorlane
