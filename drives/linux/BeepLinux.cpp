// The beep on Linux: a square wave on the default ALSA output. Machines without a sound card
// (servers, CI) get a silent wait of the same length, so the job's timing is the same.
#include <alsa/asoundlib.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "drives/linux/BeepLinux.h"

namespace vorlane {
namespace {

constexpr unsigned SampleRate = BeepSampleRate;
constexpr std::int16_t Amplitude = 8000;

// ALSA prints its configuration complaints to stderr when no card exists; the silent fallback
// covers that case, so the complaints are noise.
void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

bool PlayOnDefaultOutput(const std::vector<std::int16_t>& samples) {
  snd_pcm_t* pcm = nullptr;
  if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) return false;
  bool ok = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                               SampleRate, 1, 50000) >= 0;
  std::size_t done = 0;
  while (ok && done < samples.size()) {
    snd_pcm_sframes_t written = snd_pcm_writei(pcm, samples.data() + done, samples.size() - done);
    if (written < 0) written = snd_pcm_recover(pcm, static_cast<int>(written), 1);
    if (written < 0)
      ok = false;
    else
      done += static_cast<std::size_t>(written);
  }
  if (ok) snd_pcm_drain(pcm);  // returns once the tone has been heard
  snd_pcm_close(pcm);
  return ok;
}

}  // namespace

std::vector<std::int16_t> SquareWave(unsigned frequencyHz, unsigned durationMs) {
  std::vector<std::int16_t> samples(static_cast<std::size_t>(SampleRate) * durationMs / 1000);
  const unsigned halfPeriod = frequencyHz ? SampleRate / (2 * frequencyHz) : SampleRate;
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = (i / halfPeriod) % 2 ? -Amplitude : Amplitude;
  return samples;
}

void BeepOnDefaultOutput(unsigned frequencyHz, unsigned durationMs) {
  static std::once_flag quietAlsa;
  std::call_once(quietAlsa, [] { snd_lib_error_set_handler(IgnoreAlsaError); });
  const auto start = std::chrono::steady_clock::now();
  PlayOnDefaultOutput(SquareWave(frequencyHz, durationMs));
  // Whatever the sound card did, the caller is held for the tone's length.
  std::this_thread::sleep_until(start + std::chrono::milliseconds(durationMs));
}

}  // namespace vorlane
