#include "refapp/OgreRefAppFire.h"

#include <OgreEntity.h>
#include <OgreParticleSystem.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include "refapp/OgreRefAppWorld.h"

namespace OgreRefApp {
namespace {

// Collision box lengths along the particle bounds' direction, level units.
constexpr Real AREA_WIDTH = 150;
constexpr Real AREA_HEIGHT = 250;

// Burn-in so a new fire shows fully developed, seconds.
constexpr Real FAST_FORWARD_TIME = 25;
constexpr Real FAST_FORWARD_INTERVAL = 0.1f;

} // namespace

Fire::Fire(const String &name, const String &templateName, const double &size, const Ogre::Vector3 &)
    : mTemplateName(templateName), mSize(size) {
  setUp(name);
}

void Fire::setUp(const String &name) {
  Ogre::SceneManager *sceneMgr = World::getSingleton().getSceneManager();
  mSceneNode = sceneMgr->getRootSceneNode()->createChildSceneNode(name, Ogre::Vector3::ZERO,
                                                                  Ogre::Quaternion::IDENTITY);

  mParticleSystem = sceneMgr->createParticleSystem(name, mTemplateName);
  mParticleSystem->setSpeedFactor(mParticleSystem->getSpeedFactor() * 0.5f);
  mParticleSystem->setKeepParticlesInLocalSpace(true);
  mParticleNode = mSceneNode->createChildSceneNode();
  mParticleNode->attachObject(mParticleSystem);
  const Real scale = static_cast<Real>(mSize);
  mParticleNode->setScale(scale, scale, scale);
  mParticleSystem->fastForward(FAST_FORWARD_TIME, FAST_FORWARD_INTERVAL);

  mEntity = sceneMgr->createEntity(name, "cube.mesh");
  mCubeNode = mSceneNode->createChildSceneNode();
  mCubeNode->setScale(0.5f, 1, 0.5f);
  mCubeNode->attachObject(mEntity);
  bindToMovable(mEntity);
  mEntity->setVisible(false);

  setDynamicsEnabled(false, false);

  createOdeBody();
  const Ogre::Vector3 n = particleBoundsDirection();
  setMassBox(0.01f, Ogre::Vector3(AREA_WIDTH * n.x, AREA_HEIGHT * n.y, AREA_WIDTH * n.z));
  setBounceParameters(0, 0);
  setSoftness(0);
  setFriction(Ogre::Math::POS_INFINITY);
  mCollisionProxies.push_back(dCreateBox(nullptr, AREA_WIDTH * n.x, AREA_WIDTH * n.z, AREA_HEIGHT * n.y));
  updateCollisionProxies();
}

Ogre::Vector3 Fire::particleBoundsDirection() const {
  return mParticleSystem->getBoundingBox().getSize().normalisedCopy();
}

void Fire::resizeCollisionArea(Ogre::Vector3 factor) {
  if (!mCollisionEnabled || mCollisionProxies.empty())
    return;
  dGeomID box = mCollisionProxies.front();
  dVector3 lengths;
  dGeomBoxGetLengths(box, lengths);
  dGeomBoxSetLengths(box, lengths[0] * factor.x, lengths[1] * factor.y, lengths[2] * factor.z);
}

void Fire::changeFireCollisionArea() {
  if (!mCollisionEnabled || mCollisionProxies.empty())
    return;
  const Ogre::Vector3 n = particleBoundsDirection();
  dGeomBoxSetLengths(mCollisionProxies.front(), AREA_WIDTH * n.x, AREA_HEIGHT * n.z, AREA_WIDTH * n.y);
}

void Fire::stayPut() {
  // The velocity setters insist on enabled dynamics, which a fire never has;
  // stop the body directly.
  haltBody();
  setDynamicsEnabled(false, false);
}

void Fire::_notifyCollided(Ogre::SceneQuery::WorldFragment *, const CollisionInfo &) {
  stayPut();
}

void Fire::_notifyCollided(ApplicationObject *, const CollisionInfo &) {
  stayPut();
}

} // namespace OgreRefApp
