#pragma once
// The chiefs' own timed action: the medic holds the action key to treat a
// passenger, the fireman to put out a fire step by step. Durations count
// rendered frames, not seconds. Knows nothing of the scene: each frame it
// says which bar value to show and whether to pick what lies under the
// cursor now.

#include <cstdint>

// A treatment completes on the first frame the count exceeds this.
constexpr float TREATMENT_FRAMES = 600;
// An extinguishing step completes on the first frame the count exceeds this.
constexpr float EXTINGUISH_STEP_FRAMES = 60;

struct TimedActionFrame {
  bool showsProgress = false; // this station has an action bar to set
  float progress = 0;         // bar value, 0..1 while the action runs
  bool pickNow = false;       // the action's time is full: apply it under the cursor
  bool finished = false;      // the action ended with this pick (medic: one per key press)
};

class TimedAction {
public:
  float actionTimer = 0;     // frames since the action key went down or the last completion
  bool actionActive = false; // the action runs

  // Every frame, running or not.
  void countFrame() { actionTimer += 1; }
  // The device's key-down while the exercise runs.
  void restartCount() { actionTimer = 0; }
  // The GUI's key-down: the medic and the fireman start only with supply
  // left (above 0), anyone else always.
  void start(std::uint32_t role, double medkits, double extinguishers);
  void stop() { actionActive = false; }

  // One frame of the running action for the station's role.
  TimedActionFrame step(std::uint32_t role);
};
