#include "tests/support/ProbeObject.h"

#include <OgreEntity.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include "refapp/OgreRefAppWorld.h"

namespace sw::test {

ProbeObject::ProbeObject(const std::string &name, const Options &options) : mOptions(options) {
  setUp(name);
}

void ProbeObject::setUp(const std::string &name) {
  Ogre::SceneManager *sceneMgr = OgreRefApp::World::getSingleton().getSceneManager();
  if (mOptions.withEntity) {
    createNodeWithEntity(name, "sphere.mesh");
    mSceneNode->setScale(Ogre::Vector3(static_cast<Ogre::Real>(mOptions.radius / 100)));
  } else {
    mSceneNode = sceneMgr->getRootSceneNode()->createChildSceneNode(name);
  }
  if (mOptions.withBody) {
    createOdeBody();
    setMassSphere(1, static_cast<Ogre::Real>(mOptions.radius));
  }
  mCollisionProxies.push_back(dCreateSphere(nullptr, mOptions.radius));
  updateCollisionProxies();
}

void ProbeObject::_updateFromDynamics() {
  ++dynamicsUpdates;
  ApplicationObject::_updateFromDynamics();
}

dSurfaceParameters ProbeObject::surfaceWith(const ApplicationObject *other) const {
  dContact contact{};
  fillContactSurface(contact, other);
  return contact.surface;
}

void ProbeObject::_notifyCollided(Ogre::SceneQuery::WorldFragment *fragment, const CollisionInfo &info) {
  notifications.push_back({nullptr, fragment, info});
}

void ProbeObject::_notifyCollided(OgreRefApp::ApplicationObject *other, const CollisionInfo &info) {
  notifications.push_back({other, nullptr, info});
}

void makeBoxBrush(SyntheticFragment &brush, const Ogre::Vector3 &min, const Ogre::Vector3 &max) {
  brush.planes = {
      Ogre::Plane(Ogre::Vector3::UNIT_X, max.x), Ogre::Plane(Ogre::Vector3::NEGATIVE_UNIT_X, -min.x),
      Ogre::Plane(Ogre::Vector3::UNIT_Y, max.y), Ogre::Plane(Ogre::Vector3::NEGATIVE_UNIT_Y, -min.y),
      Ogre::Plane(Ogre::Vector3::UNIT_Z, max.z), Ogre::Plane(Ogre::Vector3::NEGATIVE_UNIT_Z, -min.z),
  };
}

std::vector<RecordedAssertions::Failure> RecordedAssertions::failures;

namespace {
void record(const char *message, const char *unit) {
  RecordedAssertions::failures.push_back({message, unit});
}
} // namespace

RecordedAssertions::RecordedAssertions() : mPrevious(OgreRefApp::setAssertionHandler(&record)) {
  failures.clear();
}

RecordedAssertions::~RecordedAssertions() {
  OgreRefApp::setAssertionHandler(mPrevious);
}

} // namespace sw::test
