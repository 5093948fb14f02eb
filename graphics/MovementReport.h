#pragma once
// A chief's own character follows its camera, and the station reports where
// it stands: every eleventh moving frame or after 5 units of walk, and once
// more when the chief stops, so that every station shows it where it really
// stands and facing the way it really faces.

#include <OgreVector.h>

class MovementReport {
public:
  // One moving frame: p is the camera position before this frame's move,
  // rotX / rotY this frame's turn (degrees).
  void frameMoved(const Ogre::Vector3 &p, float rotX, float rotY);
  // A frame without movement: what the last moving frames did is reported
  // from the camera's position now.
  void frameStill(const Ogre::Vector3 &now);

private:
  void placeOwnCharacter(const Ogre::Vector3 &cameraPosition, float yawDelta);
  void send(const Ogre::Vector3 &cameraPosition);

  double pendingYaw = 0;   // degrees turned since the last report
  double pendingPitch = 0; // degrees
  int sendCounter = 0;     // moving frames since the last report
  Ogre::Vector3 lastSentPosition = Ogre::Vector3::ZERO;
  bool unreported = false; // a move or turn happened since the last report
};

// Ground height of a report: 0 below the deck, else the whole units.
double snapToGround(double z);
