// The sounds a finished card makes, the same in the window and at a station: one tone for a card
// written, the alarm of two short tones for one that failed. Each returns when it has sounded.
#pragma once

#include "drives/Platform.h"

namespace vorlane {

void SoundSuccess(TPlatform& platform);
void SoundAlarm(TPlatform& platform);

}  // namespace vorlane
