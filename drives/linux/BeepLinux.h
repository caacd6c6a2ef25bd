#pragma once

namespace vorlane {

// Blocks for durationMs while an square tone of that frequency plays (or silently, without audio).
void BeepOnDefaultOutput(unsigned frequencyHz, unsigned durationMs);

}  // namespace vorlane
