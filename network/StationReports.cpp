#include "network/StationReports.h"

#include "network/NetworkModule.h"
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

void StationReports::sendRatings(std::uint32_t role, double captain, double medic, double fireman) {
  // Only the station's own role is ever reported; the link sends its own code.
  if (role == mLink.clientRole)
    mLink.sendRatings(captain, medic, fireman);
}

void StationReports::broadcastRatingMenu() {
  mLink.broadcast([](NetworkModule &connection) { connection.s2crenderRatingMenu(); });
}

void StationReports::broadcastFinalScores(double captain, double medic, double fireman) {
  mLink.broadcast([&](NetworkModule &connection) { connection.s2csendLastScores(captain, medic, fireman); });
}
