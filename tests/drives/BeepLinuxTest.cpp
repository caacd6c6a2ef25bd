#include <gtest/gtest.h>

#include <chrono>

#include "drives/linux/BeepLinux.h"

namespace vorlane {
namespace {

// Full periods in the wave: one per rising edge, counting the start as one.
int CountPeriods(const std::vector<std::int16_t>& samples) {
  int periods = samples.empty() ? 0 : 1;
  for (std::size_t i = 1; i < samples.size(); ++i)
    if (samples[i - 1] < 0 && samples[i] > 0) ++periods;
  return periods;
}

TEST(Beep, ToneHasTheAskedFrequencyAndLength) {
  const auto tone = SquareWave(800, 100);
  EXPECT_EQ(tone.size(), 4800u) << "100 ms at 48 kHz";
  EXPECT_EQ(CountPeriods(tone), 80) << "800 Hz for 100 ms";
  EXPECT_EQ(CountPeriods(SquareWave(800, 200)), 160);
  EXPECT_EQ(CountPeriods(SquareWave(1000, 100)), 100);
  EXPECT_NE(tone[0], 0) << "a square wave, not silence";
}

// Machines without a sound device (and CI) get a silent wait: the job's alarm and the pause
// between its beeps keep their length either way.
TEST(Beep, HoldsTheCallerForTheWholeToneWithOrWithoutASoundDevice) {
  const auto start = std::chrono::steady_clock::now();
  BeepOnDefaultOutput(800, 150);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
}

}  // namespace
}  // namespace vorlane
