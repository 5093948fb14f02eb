#include "graphics/ScenePicking.h"

#include <algorithm>

#include <OgreCamera.h>
#include <OgreMovableObject.h>
#include <OgrePlane.h>
#include <OgreSceneQuery.h>

#include "shell/state/SimulationLog.h"

namespace {

bool isPassedOver(const PickRules &rules, const std::string &name) {
  return std::find(rules.passedOver.begin(), rules.passedOver.end(), name) != rules.passedOver.end();
}

} // namespace

PickOutcome pickAlongRay(Ogre::RaySceneQuery &query, const Ogre::Ray &ray, const PickRules &rules) {
  query.setRay(ray);
  query.setWorldFragmentType(Ogre::SceneQuery::WFT_PLANE_BOUNDED_REGION);
  query.setSortByDistance(true, 0);
  PickOutcome outcome;
  for (const Ogre::RaySceneQueryResultEntry &entry : query.execute()) {
    if (rules.chief && entry.distance > CHIEF_PICK_REACH)
      continue;
    if (entry.worldFragment) {
      writeLog("dunyaya carptik");
      outcome.wallHit = true;
      if (rules.chief)
        return outcome;
      continue;
    }
    if (entry.movable && !isPassedOver(rules, entry.movable->getName())) {
      writeLog("movable a carptik");
      writeLog(entry.movable->getName());
      outcome.object = entry.movable;
      return outcome;
    }
  }
  return outcome;
}

Ogre::Ray cursorRay(const Ogre::Camera &camera, float x, float y, float width, float height) {
  if (width <= 0 || height <= 0)
    return camera.getCameraToViewportRay(0.5f, 0.5f);
  return camera.getCameraToViewportRay(x / width, y / height);
}

Ogre::Vector3 groundPointAlong(const Ogre::Ray &ray) {
  const std::pair<bool, Ogre::Real> hit = ray.intersects(Ogre::Plane(Ogre::Vector3::UNIT_Z, 0));
  return ray.getPoint(hit.first ? hit.second : 0);
}
