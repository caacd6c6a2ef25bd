#pragma once

#include "drives/Volume.h"

namespace vorlane {

// Makes a volume of a descriptor already open for reading and writing (by open(2), or handed
// over by the desktop's disk service) and takes it over: closed on failure or with the volume.
// Block devices with 512-byte logical sectors are driven with O_DIRECT.
TVolumeOpening AdoptVolumeDescriptor(int fd);

}  // namespace vorlane
