#pragma once
// The pieces of the station's loops that need no engine: the millisecond
// clock with its carried fraction and the voice capture timer.

#include <cstdint>

// Steady high-resolution timer reading, nanoseconds.
std::uint64_t getHighPrecisionTimerValue();
// A difference of two timer readings in milliseconds.
double getHighPrecisionMilliseconds(std::uint64_t timerDifference);

// The main loop's clock: time is consumed in whole milliseconds and the
// fraction is carried, so nothing is lost to rounding and nothing drifts.
struct LoopClock {
  std::uint64_t lastTime = 0; // timer reading of the last consuming pass
  double carry = 0;           // milliseconds measured but not yet consumed, below 1

  // Whole milliseconds this pass consumes at timer reading now. A pass that
  // measures less than 2 ms consumes nothing (0) and leaves the clock as it
  // was, so the next pass measures from the same instant.
  std::uint32_t consume(std::uint64_t now);
};

// The voice capture timer of the main loop; fields as the recorder keeps them.
struct VoiceTimer {
  bool recording = false;
  std::uint32_t timer = 0;  // milliseconds until the next capture step; 0 = disarmed
  std::uint32_t period = 0; // milliseconds between capture steps
};

// Milliseconds between capture steps once recording runs.
constexpr std::uint32_t VOICE_CAPTURE_PERIOD = 100;

// Counts elapsed milliseconds off an armed timer of a running recording. True
// when the capture step is due; the timer is then re-armed at the period.
bool advanceVoiceTimer(VoiceTimer &voice, std::uint32_t elapsed);
