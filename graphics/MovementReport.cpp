#include "graphics/MovementReport.h"

#include <cmath>
#include <string>

#include "graphics/DebriefRecord.h"
#include "graphics/NetworkReports.h"
#include "refapp/OgreRefAppCharacter.h"
#include "shell/state/StationState.h"

namespace {

// The camera rides this far above the character's origin (level units).
constexpr double EYE_HEIGHT = 15;
// Moving frames and walked distance (level units) after which a report goes.
constexpr int FRAMES_PER_REPORT = 10;
constexpr double DISTANCE_PER_REPORT = 5;
// A still chief whose camera moved this far (level units) since the last
// report is reported again.
constexpr double DRIFT_TO_REPORT = 0.5;

OgreRefApp::Character *ownCharacter() {
  if (!isClient || !isChiefRole(clientRole) || !clientTable[clientRole])
    return nullptr;
  return clientTable[clientRole]->character;
}

} // namespace

double snapToGround(double z) {
  return z < 0 ? 0 : std::floor(z);
}

void MovementReport::placeOwnCharacter(const Ogre::Vector3 &cameraPosition, float yawDelta) {
  OgreRefApp::Character *character = ownCharacter();
  character->setPosition(cameraPosition.x, cameraPosition.y, Ogre::Real(cameraPosition.z - EYE_HEIGHT));
  character->yaw(Ogre::Degree(yawDelta));
}

void MovementReport::frameMoved(const Ogre::Vector3 &p, float rotX, float rotY) {
  if (!ownCharacter())
    return;
  placeOwnCharacter(p, rotX);
  pendingYaw += rotX;
  pendingPitch += rotY;
  sendCounter += 1;
  if (sendCounter > FRAMES_PER_REPORT || p.distance(lastSentPosition) > DISTANCE_PER_REPORT)
    send(p);
  // This frame's own move comes after p: the still frame reports it.
  unreported = true;
}

void MovementReport::frameStill(const Ogre::Vector3 &now) {
  // The camera's body may still be pushed out of a wall after the keys are
  // released; that counts as a move of its own.
  const bool drifted = now.distance(lastSentPosition) > DRIFT_TO_REPORT;
  if (!(unreported || drifted) || !ownCharacter())
    return;
  placeOwnCharacter(now, 0);
  send(now);
}

void MovementReport::send(const Ogre::Vector3 &cameraPosition) {
  sendCounter = 0;
  if (networkReports)
    networkReports->reportMovement(cameraPosition.x, cameraPosition.y,
                                   snapToGround(cameraPosition.z - EYE_HEIGHT), pendingYaw, pendingPitch);
  pendingYaw = 0;
  pendingPitch = 0;
  lastSentPosition = cameraPosition;
  unreported = false;
  recordAction(clientRole, "move",
               std::to_string(cameraPosition.x) + " " + std::to_string(cameraPosition.y) + " " +
                   std::to_string(snapToGround(cameraPosition.z - EYE_HEIGHT)));
}
