#include "refapp/OgreRefAppApplicationObject.h"

#include <algorithm>
#include <cstdint>

#include <OgreEntity.h>
#include <OgreMatrix3.h>
#include <OgreMovableObject.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreTimer.h>

#include "refapp/OgreRefAppFigure.h"
#include "refapp/OgreRefAppWorld.h"

namespace OgreRefApp {
namespace {

const char *const UNIT = "OgreRefAppApplicationObject";
const char *const NO_BODY = "No dynamics body set up for this object";
const char *const CANNOT_SET_VELOCITY = "Cannot set velocity on an object unless dynamics are enabled and"
                                        " an ODE body exists";
const char *const CANNOT_GET_VELOCITY = "Cannot get velocity on an object unless dynamics are enabled and"
                                        " an ODE body exists";

// Contacts deeper than this are reported shallow, so a deep overlap never
// throws an object far in one push-out.
constexpr double MAX_REPORTED_DEPTH = 0.8;
constexpr double CLAMPED_DEPTH = 0.1;

// Bounce plus the friction-pyramid approximation in both friction directions.
constexpr int CONTACT_MODE = dContactBounce | dContactApprox1_1 | dContactApprox1_2;

void toOdeQuaternion(const Ogre::Quaternion &q, dQuaternion out) {
  out[0] = q.w;
  out[1] = q.x;
  out[2] = q.y;
  out[3] = q.z;
}

Ogre::Vector3 toVector(const dReal *v) {
  return Ogre::Vector3(static_cast<Real>(v[0]), static_cast<Real>(v[1]), static_cast<Real>(v[2]));
}

ApplicationObject::CollisionInfo toCollisionInfo(const dContactGeom &geom) {
  ApplicationObject::CollisionInfo info;
  info.position = toVector(geom.pos);
  info.normal = toVector(geom.normal);
  info.penetrationDepth = geom.depth > MAX_REPORTED_DEPTH ? CLAMPED_DEPTH : geom.depth;
  return info;
}

// The body that takes part in a contact: none (the static environment) unless
// the object's dynamics are on or dormant.
dBodyID contactBody(const ApplicationObject &object) {
  return object.isDynamicsEnabled() ? object.getOdeBody() : nullptr;
}

} // namespace

ApplicationObject::~ApplicationObject() {
  World *world = World::getSingletonPtr();
  if (world)
    world->_notifyDynamicsStateForObject(this, false);
  for (dGeomID proxy : mCollisionProxies)
    dGeomDestroy(proxy);
  mCollisionProxies.clear();
  if (mOdeBody)
    dBodyDestroy(mOdeBody);
  if (mSceneNode && world)
    world->getSceneManager()->destroySceneNode(mSceneNode);
}

ApplicationObject *ApplicationObject::fromMovable(const Ogre::MovableObject *movable) {
  if (!movable)
    return nullptr;
  const Ogre::Any &any = movable->getUserObjectBindings().getUserAny();
  if (!any.has_value() || any.type() != typeid(ApplicationObject *))
    return nullptr;
  return Ogre::any_cast<ApplicationObject *>(any);
}

void ApplicationObject::bindToMovable(Ogre::MovableObject *movable) {
  movable->getUserObjectBindings().setUserAny(Ogre::Any(static_cast<ApplicationObject *>(this)));
}

void ApplicationObject::createNodeWithEntity(const String &name, const String &meshName) {
  Ogre::SceneManager *sceneMgr = World::getSingleton().getSceneManager();
  mEntity = sceneMgr->createEntity(name, meshName);
  mSceneNode = sceneMgr->getRootSceneNode()->createChildSceneNode(name);
  mSceneNode->attachObject(mEntity);
  bindToMovable(mEntity);
}

FigureParts ApplicationObject::setUpFigure(const String &name, const String &meshName) {
  FigureParts parts = buildFigureScene(*World::getSingleton().getSceneManager(), name, meshName);
  mEntity = parts.entity;
  mSceneNode = parts.node;
  bindToMovable(mEntity);

  createOdeBody();
  setMassBox(FIGURE_DENSITY, parts.size, Ogre::Quaternion::IDENTITY);
  setBounceParameters(0, 0);
  setSoftness(0);
  setFriction(Ogre::Math::POS_INFINITY);
  mCollisionProxies.push_back(makeFigureProxy(parts.size));
  updateCollisionProxies();
  return parts;
}

void ApplicationObject::createOdeBody() {
  mOdeBody = dBodyCreate(World::getSingleton().getOdeWorld());
  dBodySetData(mOdeBody, this);
}

void ApplicationObject::setPosition(Real x, Real y, Real z) {
  mSceneNode->setPosition(x, y, z);
  if (isDynamicsEnabled() && mOdeBody)
    dBodySetPosition(mOdeBody, x, y, z);
  updateCollisionProxies();
}

void ApplicationObject::setPosition(const Ogre::Vector3 &position) {
  setPosition(position.x, position.y, position.z);
}

void ApplicationObject::setOrientation(const Ogre::Quaternion &orientation) {
  mSceneNode->setOrientation(orientation);
  if (isDynamicsEnabled() && mOdeBody) {
    dQuaternion q;
    toOdeQuaternion(orientation, q);
    dBodySetQuaternion(mOdeBody, q);
  }
  updateCollisionProxies();
}

const Ogre::Vector3 &ApplicationObject::getPosition() const {
  return mSceneNode->getPosition();
}

const Ogre::Quaternion &ApplicationObject::getOrientation() const {
  return mSceneNode->getOrientation();
}

void ApplicationObject::updateCollisionProxies() {
  const Ogre::Vector3 &position = mSceneNode->getPosition();
  dQuaternion q;
  toOdeQuaternion(mSceneNode->getOrientation(), q);
  for (dGeomID proxy : mCollisionProxies) {
    dGeomSetPosition(proxy, position.x, position.y, position.z);
    dGeomSetQuaternion(proxy, q);
  }
}

void ApplicationObject::_updateFromDynamics() {
  if (!mOdeBody)
    return;
  if (mReenableIfInteractedWith)
    mDynamicsEnabled = dBodyIsEnabled(mOdeBody) != 0;
  if (mDynamicsEnabled) {
    mSceneNode->setPosition(toVector(dBodyGetPosition(mOdeBody)));
    const dReal *q = dBodyGetQuaternion(mOdeBody);
    mSceneNode->setOrientation(static_cast<Real>(q[0]), static_cast<Real>(q[1]), static_cast<Real>(q[2]),
                               static_cast<Real>(q[3]));
    updateCollisionProxies();
  }
  updateAutoDisable();
}

void ApplicationObject::updateAutoDisable() {
  const dReal *linear = dBodyGetLinearVel(mOdeBody);
  const dReal *angular = dBodyGetAngularVel(mOdeBody);
  const double linearSq = linear[0] * linear[0] + linear[1] * linear[1] + linear[2] * linear[2];
  const double angularSq = angular[0] * angular[0] + angular[1] * angular[1] + angular[2] * angular[2];
  if (linearSq > mLinearVelDisableThreshold || angularSq > mAngularVelDisableThreshold) {
    mDisableTimeEnd = 0;
    return;
  }
  const double now = static_cast<double>(
      static_cast<std::uint32_t>(Ogre::Root::getSingleton().getTimer()->getMilliseconds()));
  if (mDisableTimeEnd > 0) {
    if (now > mDisableTimeEnd) {
      setDynamicsEnabled(false, true);
      mDisableTimeEnd = 0;
    }
  } else if (mDisableTime > 0) {
    mDisableTimeEnd = now + mDisableTime;
  }
}

void ApplicationObject::setDynamicsDisableThreshold(Real linearSq, Real angularSq, Real seconds) {
  mLinearVelDisableThreshold = linearSq;
  mAngularVelDisableThreshold = angularSq;
  mDisableTime = static_cast<double>(seconds) * 1000.0;
}

void ApplicationObject::setCollisionEnabled(bool enabled) {
  mCollisionEnabled = enabled;
  setEntityQueryFlags();
}

void ApplicationObject::setEntityQueryFlags() {
  if (mEntity)
    mEntity->setQueryFlags(mCollisionEnabled ? 0xFFFFFFFF : 0);
}

void ApplicationObject::setDynamicsEnabled(bool enabled, bool reEnableOnInteraction) {
  mDynamicsEnabled = enabled;
  mReenableIfInteractedWith = reEnableOnInteraction;
  World::getSingleton()._notifyDynamicsStateForObject(this, enabled || reEnableOnInteraction);
  // Static objects (no body) keep only the flags.
  if (!mOdeBody)
    return;
  if (enabled)
    dBodyEnable(mOdeBody);
  else
    dBodyDisable(mOdeBody);
  if (enabled || reEnableOnInteraction) {
    const Ogre::Vector3 &position = mSceneNode->getPosition();
    dBodySetPosition(mOdeBody, position.x, position.y, position.z);
    dQuaternion q;
    toOdeQuaternion(mSceneNode->getOrientation(), q);
    dBodySetQuaternion(mOdeBody, q);
  }
}

void ApplicationObject::setBounceParameters(Real restitutionValue, Real velocityThreshold) {
  mBounceCoeffRestitution = restitutionValue;
  mBounceVelocityThreshold = velocityThreshold;
}

void ApplicationObject::setFriction(Real friction) {
  mFriction = friction == Ogre::Math::POS_INFINITY ? INFINITE_FRICTION : static_cast<double>(friction);
}

void ApplicationObject::addForce(Real fx, Real fy, Real fz, Real px, Real py, Real pz) {
  if (checkPrecondition(mOdeBody != nullptr, NO_BODY, UNIT))
    dBodyAddRelForceAtRelPos(mOdeBody, fx, fy, fz, px, py, pz);
}

void ApplicationObject::addForce(const Ogre::Vector3 &force, const Ogre::Vector3 &position) {
  addForce(force.x, force.y, force.z, position.x, position.y, position.z);
}

void ApplicationObject::addForceWorldSpace(Real fx, Real fy, Real fz, Real px, Real py, Real pz) {
  if (checkPrecondition(mOdeBody != nullptr, NO_BODY, UNIT))
    dBodyAddForceAtPos(mOdeBody, fx, fy, fz, px, py, pz);
}

void ApplicationObject::addForceWorldSpace(const Ogre::Vector3 &force, const Ogre::Vector3 &position) {
  addForceWorldSpace(force.x, force.y, force.z, position.x, position.y, position.z);
}

void ApplicationObject::addTorque(Real x, Real y, Real z) {
  if (checkPrecondition(mOdeBody != nullptr, NO_BODY, UNIT))
    dBodyAddRelTorque(mOdeBody, x, y, z);
}

void ApplicationObject::addTorque(const Ogre::Vector3 &torque) {
  addTorque(torque.x, torque.y, torque.z);
}

void ApplicationObject::addTorqueWorldSpace(Real x, Real y, Real z) {
  if (checkPrecondition(mOdeBody != nullptr, NO_BODY, UNIT))
    dBodyAddTorque(mOdeBody, x, y, z);
}

void ApplicationObject::addTorqueWorldSpace(const Ogre::Vector3 &torque) {
  addTorqueWorldSpace(torque.x, torque.y, torque.z);
}

bool ApplicationObject::testCollide(Ogre::SceneQuery::WorldFragment *fragment) {
  if (!fragment)
    return false;
  switch (fragment->fragmentType) {
  case Ogre::SceneQuery::WFT_PLANE_BOUNDED_REGION:
    return testCollidePlaneBounds(fragment);
  default:
    return false;
  }
}

void ApplicationObject::fillContactSurface(dContact &contact, const ApplicationObject *other) const {
  contact.surface.mode = CONTACT_MODE;
  double softness = mSoftness;
  if (other) {
    contact.surface.bounce = std::max(mBounceCoeffRestitution, other->mBounceCoeffRestitution);
    contact.surface.bounce_vel = std::min(mBounceVelocityThreshold, other->mBounceVelocityThreshold);
    softness += other->mSoftness;
    contact.surface.mu = std::min(mFriction, other->mFriction);
  } else {
    contact.surface.bounce = mBounceCoeffRestitution;
    contact.surface.bounce_vel = mBounceVelocityThreshold;
    contact.surface.mu = mFriction;
  }
  if (softness > 0) {
    contact.surface.mode |= dContactSoftCFM;
    contact.surface.soft_cfm = softness;
  }
  contact.surface.mu2 = 0;
}

bool ApplicationObject::testCollide(ApplicationObject *other) {
  bool touched = false;
  for (dGeomID own : mCollisionProxies) {
    for (dGeomID theirs : other->mCollisionProxies) {
      dContact contact{};
      if (dCollide(own, theirs, 1, &contact.geom, sizeof(dContact)) == 0)
        continue;
      touched = true;
      if (isDynamicsEnabled() || other->isDynamicsEnabled()) {
        fillContactSurface(contact, other);
        World &world = World::getSingleton();
        dJointID joint = dJointCreateContact(world.getOdeWorld(), world.getOdeContactJointGroup(), &contact);
        dJointAttach(joint, contactBody(*this), contactBody(*other));
      }
      CollisionInfo info = toCollisionInfo(contact.geom);
      _notifyCollided(other, info);
      info.normal = -info.normal;
      other->_notifyCollided(this, info);
    }
  }
  return touched;
}

bool ApplicationObject::testCollidePlaneBounds(Ogre::SceneQuery::WorldFragment *fragment) {
  if (!fragment->planes)
    return false;
  bool touched = false;
  for (dGeomID proxy : mCollisionProxies) {
    for (const Ogre::Plane &plane : *fragment->planes) {
      // Only planes the object is on or in front of can push it out.
      if (plane.getDistance(getPosition()) < 0)
        continue;
      dGeomID odePlane = dCreatePlane(nullptr, plane.normal.x, plane.normal.y, plane.normal.z, -plane.d);
      dContact contact{};
      const int contacts = dCollide(proxy, odePlane, 1, &contact.geom, sizeof(dContact));
      if (contacts > 0) {
        touched = true;
        if (isDynamicsEnabled()) {
          fillContactSurface(contact, nullptr);
          World &world = World::getSingleton();
          dJointID joint =
              dJointCreateContact(world.getOdeWorld(), world.getOdeContactJointGroup(), &contact);
          dJointAttach(joint, mOdeBody, nullptr);
        }
        _notifyCollided(fragment, toCollisionInfo(contact.geom));
      }
      dGeomDestroy(odePlane);
    }
  }
  return touched;
}

void ApplicationObject::_notifyCollided(Ogre::SceneQuery::WorldFragment *, const CollisionInfo &) {}

void ApplicationObject::_notifyCollided(ApplicationObject *, const CollisionInfo &) {}

void ApplicationObject::translate(const Ogre::Vector3 &delta) {
  setPosition(getPosition() + getOrientation() * delta);
}

void ApplicationObject::translate(Real x, Real y, Real z) {
  translate(Ogre::Vector3(x, y, z));
}

void ApplicationObject::translateWorldSpace(const Ogre::Vector3 &delta) {
  setPosition(getPosition() + delta);
}

void ApplicationObject::translateWorldSpace(Real x, Real y, Real z) {
  translateWorldSpace(Ogre::Vector3(x, y, z));
}

void ApplicationObject::roll(const Ogre::Radian &angle) {
  rotate(Ogre::Vector3::UNIT_Z, angle);
}

void ApplicationObject::pitch(const Ogre::Radian &angle) {
  rotate(Ogre::Vector3::UNIT_X, angle);
}

void ApplicationObject::yaw(const Ogre::Radian &angle) {
  rotate(Ogre::Vector3::UNIT_Y, angle);
}

void ApplicationObject::rotate(const Ogre::Vector3 &axis, const Ogre::Radian &angle) {
  rotate(Ogre::Quaternion(angle, axis));
}

void ApplicationObject::rotate(const Ogre::Quaternion &q) {
  setOrientation(getOrientation() * q);
}

void ApplicationObject::setMassSphere(Real density, Real radius) {
  dMassSetSphere(&mMass, density, radius);
  if (mOdeBody)
    dBodySetMass(mOdeBody, &mMass);
}

namespace {

void rotateMass(dMass &mass, const Ogre::Quaternion &orientation) {
  dQuaternion q;
  toOdeQuaternion(orientation, q);
  dMatrix3 rotation;
  dRfromQ(rotation, q);
  dMassRotate(&mass, rotation);
}

} // namespace

void ApplicationObject::setMassBox(Real density, const Ogre::Vector3 &dimensions,
                                   const Ogre::Quaternion &orientation) {
  dMassSetBox(&mMass, density, dimensions.x, dimensions.y, dimensions.z);
  rotateMass(mMass, orientation);
  if (mOdeBody)
    dBodySetMass(mOdeBody, &mMass);
}

void ApplicationObject::setMassCappedCylinder(Real density, Real radius, Real length,
                                              const Ogre::Quaternion &orientation) {
  // Capsule along the local Z axis (ODE's direction 3).
  dMassSetCapsule(&mMass, density, 3, radius, length);
  rotateMass(mMass, orientation);
  if (mOdeBody)
    dBodySetMass(mOdeBody, &mMass);
}

void ApplicationObject::setMassExpert(Real mass, const Ogre::Vector3 &centre, const Ogre::Matrix3 &inertia) {
  dMassSetParameters(&mMass, mass, centre.x, centre.y, centre.z, inertia[0][0], inertia[1][1], inertia[2][2],
                     inertia[0][1], inertia[0][2], inertia[1][2]);
  if (mOdeBody)
    dBodySetMass(mOdeBody, &mMass);
}

void ApplicationObject::setLinearVelocity(const Ogre::Vector3 &velocity) {
  setLinearVelocity(velocity.x, velocity.y, velocity.z);
}

void ApplicationObject::setLinearVelocity(Real x, Real y, Real z) {
  if (checkPrecondition(isDynamicsEnabled() && mOdeBody, CANNOT_SET_VELOCITY, UNIT))
    dBodySetLinearVel(mOdeBody, x, y, z);
}

Ogre::Vector3 ApplicationObject::getLinearVelocity() const {
  if (!checkPrecondition(isDynamicsEnabled() && mOdeBody, CANNOT_GET_VELOCITY, UNIT))
    return Ogre::Vector3::ZERO;
  return toVector(dBodyGetLinearVel(mOdeBody));
}

void ApplicationObject::setAngularVelocity(const Ogre::Vector3 &velocity) {
  setAngularVelocity(velocity.x, velocity.y, velocity.z);
}

void ApplicationObject::setAngularVelocity(Real x, Real y, Real z) {
  if (checkPrecondition(isDynamicsEnabled() && mOdeBody, CANNOT_SET_VELOCITY, UNIT))
    dBodySetAngularVel(mOdeBody, x, y, z);
}

Ogre::Vector3 ApplicationObject::getAngularVelocity() const {
  if (!checkPrecondition(isDynamicsEnabled() && mOdeBody, CANNOT_GET_VELOCITY, UNIT))
    return Ogre::Vector3::ZERO;
  return toVector(dBodyGetAngularVel(mOdeBody));
}

void ApplicationObject::haltBody() {
  if (!mOdeBody)
    return;
  dBodySetLinearVel(mOdeBody, 0, 0, 0);
  dBodySetAngularVel(mOdeBody, 0, 0, 0);
}

} // namespace OgreRefApp
