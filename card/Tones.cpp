#include "card/Tones.h"

namespace vorlane {
namespace {

constexpr unsigned ToneHz = 800;

}  // namespace

void SoundSuccess(TPlatform& platform) {
  platform.Beep(ToneHz, 200);
}

void SoundAlarm(TPlatform& platform) {
  platform.Beep(ToneHz, 100);
  platform.Sleep(100);
  platform.Beep(ToneHz, 100);
}

}  // namespace vorlane
