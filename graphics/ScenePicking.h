#pragma once
// Picking in the scene with a ray from the camera through the cursor: the
// rules that decide which result of a ray query a click or the action key
// meets, and the ground point a middle click marks.

#include <string>
#include <vector>

#include <OgreRay.h>

namespace Ogre {
class Camera;
class MovableObject;
class RaySceneQuery;
} // namespace Ogre

// A chief reaches no farther than this (level units); the facilitator has no limit.
constexpr double CHIEF_PICK_REACH = 250;

struct PickRules {
  // A chief's station: results beyond CHIEF_PICK_REACH are passed over and
  // the first piece of level geometry ends the pick (walls block). The
  // facilitator picks through walls at any distance.
  bool chief = true;
  // Names of movable objects the pick passes over (the camera, figures that
  // must not catch the ray).
  std::vector<std::string> passedOver;
};

struct PickOutcome {
  bool wallHit = false;                  // level geometry was met before any object
  Ogre::MovableObject *object = nullptr; // the object met, if any
};

// Executes the query along the ray, nearest result first, and applies the
// rules. Writes the picking log lines of each result it looks at.
PickOutcome pickAlongRay(Ogre::RaySceneQuery &query, const Ogre::Ray &ray, const PickRules &rules);

// The ray through a cursor position given in pixels of a viewport of that
// size (the viewport's current size, so picks stay right after a resize).
Ogre::Ray cursorRay(const Ogre::Camera &camera, float x, float y, float width, float height);

// Where the ray meets the deck plane z = 0; the ray's origin when it does not
// meet it (looking above the horizon).
Ogre::Vector3 groundPointAlong(const Ogre::Ray &ray);
