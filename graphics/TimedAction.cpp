#include "graphics/TimedAction.h"

#include "shell/state/StationState.h"

void TimedAction::start(std::uint32_t role, double medkits, double extinguishers) {
  if (role == ROLE_MEDIC && medkits <= 0)
    return;
  if (role == ROLE_FIREMAN && extinguishers <= 0)
    return;
  actionActive = true;
}

TimedActionFrame TimedAction::step(std::uint32_t role) {
  TimedActionFrame frame;
  if (!actionActive)
    return frame;
  if (role == ROLE_MEDIC) {
    frame.showsProgress = true;
    frame.progress = actionTimer / TREATMENT_FRAMES;
    if (actionTimer > TREATMENT_FRAMES) {
      actionTimer = 0;
      actionActive = false;
      frame.pickNow = true;
      frame.finished = true;
    }
  } else if (role == ROLE_FIREMAN) {
    frame.showsProgress = true;
    frame.progress = actionTimer / EXTINGUISH_STEP_FRAMES;
    if (actionTimer > EXTINGUISH_STEP_FRAMES) {
      actionTimer = 0;
      frame.pickNow = true;
    }
  }
  return frame;
}
