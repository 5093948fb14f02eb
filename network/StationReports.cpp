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

void StationReports::reportTreatment(const std::string &passengerName) {
  mLink.sendAsChief("Treatment", [&](NetworkModule &connection) {
    return connection.c2sMedicInteractPassenger(mLink.clientRole, passengerName.c_str());
  });
}

void StationReports::reportExtinguishStep(const std::string &fireName) {
  mLink.sendAsChief("Extinguishing step", [&](NetworkModule &connection) {
    return connection.c2sFiremanInteractFire(mLink.clientRole, fireName.c_str());
  });
}

void StationReports::reportFollow(const std::string &passengerName) {
  mLink.sendAsChief("Follow order", [&](NetworkModule &connection) {
    return connection.c2srequestNPCtoFollow(mLink.clientRole, passengerName.c_str());
  });
}

void StationReports::reportStopFollow(const std::string &passengerName) {
  mLink.sendAsChief("Stop order", [&](NetworkModule &connection) {
    return connection.c2srequestNPCtoStopFollow(mLink.clientRole, passengerName.c_str());
  });
}

void StationReports::reportMoveToDest(const std::string &passengerName, const Ogre::Vector3 &destination) {
  mLink.sendAsChief("Walk order", [&](NetworkModule &connection) {
    return connection.c2smoveNPCtoDest(mLink.clientRole, passengerName.c_str(), destination.x, destination.y,
                                       destination.z);
  });
}

void StationReports::reportCrewInteraction(std::uint32_t role, const std::string &targetName) {
  // A chief only ever dispatches its own crew.
  if (role != mLink.clientRole)
    return;
  mLink.sendAsChief("Crew dispatch", [&](NetworkModule &connection) {
    return connection.c2screwInteraction(role, targetName.c_str());
  });
}

void StationReports::reportResource(std::int32_t resourceKind, std::int32_t amount) {
  mLink.broadcast([&](NetworkModule &connection) { connection.s2cAddResource(resourceKind, amount); });
}

void StationReports::reportAddPassenger(const Ogre::Vector3 &position) {
  mLink.broadcast([&](NetworkModule &connection) { connection.s2cAddPassenger(position.x, position.y, position.z); });
}

void StationReports::reportCreateFire(const Ogre::Vector3 &position, double size) {
  mLink.broadcast(
      [&](NetworkModule &connection) { connection.s2cCreateFire(position.x, position.y, position.z, size); });
}

void StationReports::reportFacilitatorMove(const std::string &passengerName, const Ogre::Vector3 &destination) {
  mLink.broadcast([&](NetworkModule &connection) {
    connection.s2cmoveNPCtoDest(ROLE_FACILITATOR, passengerName.c_str(), destination.x, destination.y,
                                destination.z);
  });
}
