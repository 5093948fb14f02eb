#include "refapp/OgreRefAppOgreHead.h"

namespace OgreRefApp {
namespace {
constexpr Real HEAD_RADIUS = 25; // level units
} // namespace

OgreHead::OgreHead(const String &name) {
  setUp(name);
}

void OgreHead::setUp(const String &name) {
  createNodeWithEntity(name, "OgreHead.mesh");
  createOdeBody();
  setMassSphere(0.1f, HEAD_RADIUS);
  setBounceParameters(0.3f, 0.1f);
  setSoftness(0);
  setFriction(Ogre::Math::POS_INFINITY);
  mCollisionProxies.push_back(dCreateSphere(nullptr, HEAD_RADIUS));
  updateCollisionProxies();
}

} // namespace OgreRefApp
