#include "refapp/OgreRefAppBall.h"

#include <OgreSceneNode.h>

namespace OgreRefApp {

Ball::Ball(const String &name, Real radius) : mRadius(radius) {
  setUp(name);
}

void Ball::setUp(const String &name) {
  createNodeWithEntity(name, "sphere.mesh");
  mSceneNode->setScale(mRadius / 100, mRadius / 100, mRadius / 100);
  createOdeBody();
  setMassSphere(0.1f, mRadius);
  setBounceParameters(0.7f, 0.1f);
  setSoftness(0);
  setFriction(Ogre::Math::POS_INFINITY);
  mCollisionProxies.push_back(dCreateSphere(nullptr, mRadius));
  updateCollisionProxies();
}

} // namespace OgreRefApp
