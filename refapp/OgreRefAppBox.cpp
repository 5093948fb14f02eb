#include "refapp/OgreRefAppBox.h"

#include <OgreSceneNode.h>

namespace OgreRefApp {

Box::Box(const String &name, Real width, Real height, Real depth) : mDimensions(width, height, depth) {
  setUp(name);
}

void Box::setUp(const String &name) {
  createNodeWithEntity(name, "cube.mesh");
  mSceneNode->setScale(mDimensions.x / 100, mDimensions.y / 100, mDimensions.z / 100);
  createOdeBody();
  setMassBox(0.05f, mDimensions);
  setBounceParameters(0, 0);
  setSoftness(0);
  setFriction(Ogre::Math::POS_INFINITY);
  mCollisionProxies.push_back(dCreateBox(nullptr, mDimensions.x, mDimensions.y, mDimensions.z));
  updateCollisionProxies();
}

} // namespace OgreRefApp
