#include "refapp/OgreRefAppWorld.h"

#include <OgreSceneManager.h>
#include <OgreSceneQuery.h>

#include "refapp/OgreRefAppApplicationObject.h"
#include "refapp/OgreRefAppBall.h"
#include "refapp/OgreRefAppBallJoint.h"
#include "refapp/OgreRefAppBox.h"
#include "refapp/OgreRefAppCharacter.h"
#include "refapp/OgreRefAppCollideCamera.h"
#include "refapp/OgreRefAppFinitePlane.h"
#include "refapp/OgreRefAppFire.h"
#include "refapp/OgreRefAppHinge2Joint.h"
#include "refapp/OgreRefAppHingeJoint.h"
#include "refapp/OgreRefAppNPC.h"
#include "refapp/OgreRefAppOgreHead.h"
#include "refapp/OgreRefAppSliderJoint.h"
#include "refapp/OgreRefAppUniversalJoint.h"

namespace OgreRefApp {
namespace {
const char *const UNIT = "OgreRefAppWorld";
} // namespace

World *World::ms_Singleton = nullptr;

World::World(Ogre::SceneManager *sceneMgr, WorldType worldType) : mSceneMgr(sceneMgr), mWorldType(worldType) {
  checkPrecondition(ms_Singleton == nullptr, "!ms_Singleton", UNIT);
  ms_Singleton = this;
  dInitODE();
  mOdeWorld = dWorldCreate();
  mOdeContactGroup = dJointGroupCreate(0);
  mIntersectionQuery = mSceneMgr->createIntersectionQuery(0xFFFFFFFF);
  mIntersectionQuery->setWorldFragmentType(worldType == WT_BSP ? Ogre::SceneQuery::WFT_PLANE_BOUNDED_REGION
                                                               : Ogre::SceneQuery::WFT_NONE);
}

World::~World() {
  clear();
  mSceneMgr->destroyQuery(mIntersectionQuery);
  dJointGroupDestroy(mOdeContactGroup);
  dWorldDestroy(mOdeWorld);
  dCloseODE();
  ms_Singleton = nullptr;
}

World &World::getSingleton() {
  checkPrecondition(ms_Singleton != nullptr, "ms_Singleton", UNIT);
  return *ms_Singleton;
}

template <class T>
T *World::adopt(const String &name, T *object, const Ogre::Vector3 &pos,
                const Ogre::Quaternion &orientation) {
  object->setPosition(pos);
  object->setOrientation(orientation);
  mObjects[name] = object;
  return object;
}

OgreHead *World::createOgreHead(const String &name, const Ogre::Vector3 &pos,
                                const Ogre::Quaternion &orientation) {
  return adopt(name, new OgreHead(name), pos, orientation);
}

FinitePlane *World::createPlane(const String &name, Real width, Real height, const Ogre::Vector3 &pos,
                                const Ogre::Quaternion &orientation) {
  return adopt(name, new FinitePlane(name, width, height), pos, orientation);
}

Ball *World::createBall(const String &name, Real radius, const Ogre::Vector3 &pos,
                        const Ogre::Quaternion &orientation) {
  return adopt(name, new Ball(name, radius), pos, orientation);
}

Box *World::createBox(const String &name, Real width, Real height, Real depth, const Ogre::Vector3 &pos,
                      const Ogre::Quaternion &orientation) {
  return adopt(name, new Box(name, width, height, depth), pos, orientation);
}

CollideCamera *World::createCamera(const String &name, const Ogre::Vector3 &pos,
                                   const Ogre::Quaternion &orientation) {
  return adopt(name, new CollideCamera(name), pos, orientation);
}

Character *World::createCharacter(const String &name, const String &meshName, const Ogre::Vector3 &pos,
                                  const Ogre::Quaternion &orientation) {
  return adopt(name, new Character(name, meshName), pos, orientation);
}

NPC *World::createNPC(const String &name, const String &meshName, const Ogre::Vector3 &pos,
                      const Ogre::Quaternion &orientation) {
  return adopt(name, new NPC(name, meshName), pos, orientation);
}

Fire *World::createFire(const String &name, const String &templateName, const double &size,
                        const Ogre::Vector3 &pos, const Ogre::Quaternion &orientation) {
  return adopt(name, new Fire(name, templateName, size, pos), pos, orientation);
}

Joint *World::createJoint(const String &name, JointType jtype, ApplicationObject *obj1,
                          ApplicationObject *obj2) {
  Joint *joint = nullptr;
  switch (jtype) {
  case JT_BALL:
    joint = new BallJoint(jtype, obj1, obj2);
    break;
  case JT_SLIDER:
    joint = new SliderJoint(jtype, obj1, obj2);
    break;
  case JT_HINGE:
    joint = new HingeJoint(jtype, obj1, obj2);
    break;
  case JT_UNIVERSAL:
    joint = new UniversalJoint(jtype, obj1, obj2);
    break;
  case JT_HINGE2:
    joint = new Hinge2Joint(jtype, obj1, obj2);
    break;
  }
  if (joint)
    mJoints[name] = joint;
  return joint;
}

void World::clear() {
  for (auto &entry : mObjects)
    delete entry.second;
  mObjects.clear();
  for (auto &entry : mJoints)
    delete entry.second;
  mJoints.clear();
}

void World::setGravity(const Ogre::Vector3 &gravity) {
  mGravity = gravity;
  dWorldSetGravity(mOdeWorld, gravity.x, gravity.y, gravity.z);
}

void World::simulationStep(Real timeElapsed) {
  const double total = static_cast<double>(timeElapsed) + mLeftOverTime;
  const auto steps = static_cast<unsigned>(total / mSimulationStepSize);
  const Real step = static_cast<Real>(mSimulationStepSize);
  for (unsigned i = 0; i < steps; ++i) {
    _applyCollision();
    _applyDynamics(step);
  }
  mLeftOverTime = total - steps * mSimulationStepSize;
}

void World::_applyCollision() {
  Ogre::IntersectionSceneQueryResult &result = mIntersectionQuery->execute();
  for (const Ogre::SceneQueryMovableObjectPair &pair : result.movables2movables) {
    ApplicationObject *first = ApplicationObject::fromMovable(pair.first);
    ApplicationObject *second = ApplicationObject::fromMovable(pair.second);
    if (first && second)
      first->testCollide(second);
  }
  for (const Ogre::SceneQueryMovableObjectWorldFragmentPair &pair : result.movables2world) {
    ApplicationObject *object = ApplicationObject::fromMovable(pair.first);
    if (object)
      object->testCollide(pair.second);
  }
}

void World::_applyDynamics(Real timeElapsed) {
  // ODE refuses a zero step.
  if (timeElapsed == 0)
    return;
  dWorldStep(mOdeWorld, timeElapsed);
  // Updating an object may switch its dynamics off and take it out of the
  // set, so walk a copy.
  const DynamicsObjectSet objects = mDynamicsObjects;
  for (ApplicationObject *object : objects)
    object->_updateFromDynamics();
  dJointGroupEmpty(mOdeContactGroup);
}

void World::_notifyDynamicsStateForObject(ApplicationObject *object, bool included) {
  if (included)
    mDynamicsObjects.insert(object);
  else
    mDynamicsObjects.erase(object);
}

} // namespace OgreRefApp
