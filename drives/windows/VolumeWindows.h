#pragma once

#include <string>

#include "drives/Volume.h"
#include "drives/windows/Kernel32.h"

namespace vorlane {

// OpenVolume through the given calls, so a test can record what a volume does and in which
// order.
TVolumeOpening OpenVolumeWith(TKernel32& calls, const std::string& volumePath);

}  // namespace vorlane
