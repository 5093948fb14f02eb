#include "refapp/OgreRefAppCollideCamera.h"

#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include "refapp/OgreRefAppWorld.h"

namespace OgreRefApp {
namespace {

constexpr Real SPHERE_RADIUS = 15;        // level units; also the feet's depth below the body's point
constexpr Real FEET_DEPTH = 15;           // level units below the reference point
constexpr double MAX_STEP = 10;           // highest step climbed, level units
constexpr double STEP_CLEARANCE = 2;      // lifted this much above a climbed step
const Ogre::Vector3 EYE_OFFSET(0, 0, 10); // from the body's point

// The brush's top (normal straight up) and bottom (straight down) planes; with
// several, the last one counts.
struct HorizontalPlanes {
  const Ogre::Plane *top = nullptr;
  const Ogre::Plane *bottom = nullptr;
};

HorizontalPlanes findHorizontalPlanes(const std::vector<Ogre::Plane> &planes) {
  HorizontalPlanes found;
  for (const Ogre::Plane &plane : planes) {
    const Ogre::Vector3 normal = plane.normal.normalisedCopy();
    if (normal == Ogre::Vector3::UNIT_Z)
      found.top = &plane;
    else if (normal == Ogre::Vector3::NEGATIVE_UNIT_Z)
      found.bottom = &plane;
  }
  return found;
}

} // namespace

CollideCamera::CollideCamera(const String &name) {
  setUp(name);
}

CollideCamera::~CollideCamera() {
  World::getSingleton().getSceneManager()->destroyQuery(mRaySceneQuery);
}

void CollideCamera::setUp(const String &name) {
  Ogre::SceneManager *sceneMgr = World::getSingleton().getSceneManager();
  mSceneNode = sceneMgr->getRootSceneNode()->createChildSceneNode(name, Ogre::Vector3::ZERO,
                                                                  Ogre::Quaternion::IDENTITY);
  mCamera = sceneMgr->createCamera(name);
  // On the body's node itself, so that the scene queries test the camera's
  // bounds around the body's point; the eye sits above it.
  mSceneNode->attachObject(mCamera);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  mCamera->setPosition(EYE_OFFSET);
#pragma GCC diagnostic pop
  bindToMovable(mCamera);

  createOdeBody();
  setMassSphere(0.1f, SPHERE_RADIUS);
  setBounceParameters(0, 0);
  setSoftness(0);
  setFriction(Ogre::Math::POS_INFINITY);
  setCollisionEnabled(false);

  mRaySceneQuery =
      sceneMgr->createRayQuery(Ogre::Ray(Ogre::Vector3::ZERO, Ogre::Vector3::UNIT_Z), 0xFFFFFFFF);
  mRaySceneQuery->setWorldFragmentType(Ogre::SceneQuery::WFT_PLANE_BOUNDED_REGION);
}

void CollideCamera::createCollisionProxy() {
  mCollisionProxies.push_back(dCreateSphere(nullptr, SPHERE_RADIUS));
  updateCollisionProxies();
}

void CollideCamera::destroyCollisionProxies() {
  for (dGeomID proxy : mCollisionProxies)
    dGeomDestroy(proxy);
  mCollisionProxies.clear();
}

void CollideCamera::disableOdeBody() {
  if (!mOdeBody)
    return;
  dBodyDisable(mOdeBody);
  dBodyDestroy(mOdeBody);
  mOdeBody = nullptr;
}

void CollideCamera::nearDistChanged() {
  if (mCollisionEnabled && !mCollisionProxies.empty())
    dGeomSphereSetRadius(mCollisionProxies.front(), SPHERE_RADIUS);
}

void CollideCamera::setNearClipDistance(Real nearDist) {
  mCamera->setNearClipDistance(nearDist);
  nearDistChanged();
}

void CollideCamera::setFOVy(const Ogre::Radian &fovy) {
  mCamera->setFOVy(fovy);
  nearDistChanged();
}

// The camera keeps its own eye offset and orientation relative to the body's
// node, which the engine marks as deprecated in favour of extra nodes; an
// extra node would move the camera's query bounds off the body's point.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

void CollideCamera::setDirection(Real x, Real y, Real z) {
  mCamera->setDirection(x, y, z);
}

void CollideCamera::setDirection(const Ogre::Vector3 &direction) {
  mCamera->setDirection(direction);
}

Ogre::Vector3 CollideCamera::getDirection() const {
  return mCamera->getDirection();
}

void CollideCamera::lookAt(const Ogre::Vector3 &target) {
  mCamera->lookAt(target);
}

void CollideCamera::lookAt(Real x, Real y, Real z) {
  mCamera->lookAt(x, y, z);
}

void CollideCamera::setFixedYawAxis(bool useFixed, const Ogre::Vector3 &fixedAxis) {
  mCamera->setFixedYawAxis(useFixed, fixedAxis);
}

void CollideCamera::setOrientation(const Ogre::Quaternion &orientation) {
  mCamera->setOrientation(orientation);
}

const Ogre::Quaternion &CollideCamera::getOrientation() const {
  return mCamera->getOrientation();
}

void CollideCamera::roll(const Ogre::Radian &angle) {
  mCamera->roll(angle);
}

void CollideCamera::pitch(const Ogre::Radian &angle) {
  mCamera->pitch(angle);
}

void CollideCamera::yaw(const Ogre::Radian &angle) {
  mCamera->yaw(angle);
}

void CollideCamera::rotate(const Ogre::Vector3 &axis, const Ogre::Radian &angle) {
  mCamera->rotate(axis, angle);
}

void CollideCamera::rotate(const Ogre::Quaternion &q) {
  mCamera->rotate(q);
}

#pragma GCC diagnostic pop

void CollideCamera::translate(const Ogre::Vector3 &delta) {
  translateWorldSpace(getOrientation() * delta);
}

void CollideCamera::_updateFromDynamics() {
  if (!mOdeBody)
    return;
  if (mReenableIfInteractedWith)
    mDynamicsEnabled = dBodyIsEnabled(mOdeBody) != 0;
  if (mDynamicsEnabled) {
    const dReal *p = dBodyGetPosition(mOdeBody);
    mSceneNode->setPosition(static_cast<Real>(p[0]), static_cast<Real>(p[1]), static_cast<Real>(p[2]));
    // The node keeps its own rotation: the body follows it, never the
    // other way round, so the camera never tips over.
    const Ogre::Quaternion &q = mSceneNode->getOrientation();
    const dQuaternion odeQ = {q.w, q.x, q.y, q.z};
    dBodySetQuaternion(mOdeBody, odeQ);
    updateCollisionProxies();
  }
  updateAutoDisable();
}

void CollideCamera::_notifyCollided(ApplicationObject *other, const CollisionInfo &info) {
  if (!mCollisionEnabled || !other->getEntity())
    return;
  haltBody();
  translateWorldSpace(static_cast<Real>(info.penetrationDepth) * info.normal.x,
                      static_cast<Real>(info.penetrationDepth) * info.normal.y, 0);
  haltBody();
}

void CollideCamera::_notifyCollided(Ogre::SceneQuery::WorldFragment *fragment, const CollisionInfo &info) {
  if (!mCollisionEnabled)
    return;
  haltBody();
  const Ogre::Vector3 feet = getPosition() - Ogre::Vector3(0, 0, FEET_DEPTH);
  const HorizontalPlanes planes =
      fragment && fragment->planes ? findHorizontalPlanes(*fragment->planes) : HorizontalPlanes();
  Ogre::Vector3 offset;
  bool climb = false;
  if (planes.top && planes.bottom) {
    const double aboveTop = planes.top->getDistance(feet);
    const double belowBottom = planes.bottom->getDistance(feet);
    const double height = std::abs(aboveTop);
    climb = aboveTop <= 0 && belowBottom <= 0 && height <= MAX_STEP && info.normal != Ogre::Vector3::UNIT_Z;
    if (climb)
      offset = Ogre::Vector3(0, 0, static_cast<Real>(height + STEP_CLEARANCE));
  }
  if (!climb) {
    offset = static_cast<Real>(info.penetrationDepth) * info.normal;
    offset.z = 0;
  }
  translateWorldSpace(offset);
  haltBody();
}

} // namespace OgreRefApp
