#include "network/StationReports.h"

#include "network/StationLink.h"

bool StationReports::reportMovement(double x, double y, double z, double yawDelta, double pitchDelta) {
  return mLink.reportMovement(x, y, z, yawDelta, pitchDelta);
}

bool StationReports::reportCharacterState(const std::string &state) {
  return mLink.reportCharacterState(state);
}

void StationReports::startExercise() {
  mLink.startExercise();
}
