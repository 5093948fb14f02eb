#include "refapp/OgreRefAppFinitePlane.h"

#include <OgreSceneNode.h>

namespace OgreRefApp {

FinitePlane::FinitePlane(const String &name, Real width, Real height) : mWidth(width), mHeight(height) {
  setUp(name);
}

void FinitePlane::setUp(const String &name) {
  createNodeWithEntity(name, "Prefab_Plane");
  mSceneNode->setScale(mWidth / 100, mHeight / 100, 1);
  // Static: no body, default surface. The proxy is twice the size and one
  // unit thick.
  mCollisionProxies.push_back(dCreateBox(nullptr, 2 * mWidth, 2 * mHeight, 1));
  updateCollisionProxies();
}

} // namespace OgreRefApp
