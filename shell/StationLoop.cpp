#include "shell/StationLoop.h"

#include <chrono>
#include <limits>


std::uint64_t getHighPrecisionTimerValue() {
  const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch).count());
}

double getHighPrecisionMilliseconds(std::uint64_t timerDifference) {
  return static_cast<double>(timerDifference) / 1e6;
}

namespace {
// A pass shorter than this consumes nothing.
constexpr std::uint32_t MINIMUM_CONSUMED_MS = 2;
} // namespace

std::uint32_t LoopClock::consume(std::uint64_t now) {
  const double measured = getHighPrecisionMilliseconds(now - lastTime) + carry;
  // A gap beyond the 32-bit range (a clock jump) consumes the largest count
  // instead of overflowing the conversion.
  constexpr double largest = std::numeric_limits<std::uint32_t>::max();
  const std::uint32_t elapsed =
      measured >= largest ? std::numeric_limits<std::uint32_t>::max() : static_cast<std::uint32_t>(measured);
  if (elapsed < MINIMUM_CONSUMED_MS)
    return 0;
  carry = measured - static_cast<double>(elapsed);
  lastTime = now;
  return elapsed;
}

bool advanceVoiceTimer(VoiceTimer &voice, std::uint32_t elapsed) {
  if (!voice.recording || voice.timer == 0)
    return false;
  if (elapsed < voice.timer) {
    voice.timer -= elapsed;
    return false;
  }
  voice.timer = VOICE_CAPTURE_PERIOD;
  voice.period = VOICE_CAPTURE_PERIOD;
  return true;
}
