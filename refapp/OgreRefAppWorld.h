#pragma once
// The simulation world: owns every simulated object and joint by name, the
// ODE world and its contact group, and advances collision and dynamics in
// fixed steps. One instance per process.

#include <map>
#include <set>

#include <OgreQuaternion.h>
#include <OgreVector.h>

#include "refapp/OgreRefAppPrerequisites.h"

namespace Ogre {
class IntersectionSceneQuery;
class SceneManager;
} // namespace Ogre

namespace OgreRefApp {

class World {
public:
  using ObjectMap = std::map<String, ApplicationObject *>;
  using JointMap = std::map<String, Joint *>;
  using DynamicsObjectSet = std::set<ApplicationObject *>;

  // sceneMgr is not owned; the world type decides whether the collision
  // query reports level brushes.
  World(Ogre::SceneManager *sceneMgr, WorldType worldType = WT_GENERIC);
  World(const World &) = delete;
  World &operator=(const World &) = delete;
  ~World();

  static World &getSingleton();
  static World *getSingletonPtr() { return ms_Singleton; }

  Ogre::SceneManager *getSceneManager() const { return mSceneMgr; }
  dWorldID getOdeWorld() const { return mOdeWorld; }
  dJointGroupID getOdeContactJointGroup() const { return mOdeContactGroup; }
  const Ogre::Vector3 &getGravity() const { return mGravity; }
  WorldType getWorldType() const { return mWorldType; }

  // Each factory constructs the object, places it and stores it under name;
  // an older object of the same name is dropped from the map, not deleted.
  OgreHead *createOgreHead(const String &name, const Ogre::Vector3 &pos = Ogre::Vector3::ZERO,
                           const Ogre::Quaternion &orientation = Ogre::Quaternion::IDENTITY);
  FinitePlane *createPlane(const String &name, Real width, Real height,
                           const Ogre::Vector3 &pos = Ogre::Vector3::ZERO,
                           const Ogre::Quaternion &orientation = Ogre::Quaternion::IDENTITY);
  Ball *createBall(const String &name, Real radius, const Ogre::Vector3 &pos = Ogre::Vector3::ZERO,
                   const Ogre::Quaternion &orientation = Ogre::Quaternion::IDENTITY);
  Box *createBox(const String &name, Real width, Real height, Real depth,
                 const Ogre::Vector3 &pos = Ogre::Vector3::ZERO,
                 const Ogre::Quaternion &orientation = Ogre::Quaternion::IDENTITY);
  CollideCamera *createCamera(const String &name, const Ogre::Vector3 &pos = Ogre::Vector3::ZERO,
                              const Ogre::Quaternion &orientation = Ogre::Quaternion::IDENTITY);
  // Character(name, meshName) and NPC(name, meshName).
  Character *createCharacter(const String &name, const String &meshName,
                             const Ogre::Vector3 &pos = Ogre::Vector3::ZERO,
                             const Ogre::Quaternion &orientation = Ogre::Quaternion::IDENTITY);
  NPC *createNPC(const String &name, const String &meshName, const Ogre::Vector3 &pos = Ogre::Vector3::ZERO,
                 const Ogre::Quaternion &orientation = Ogre::Quaternion::IDENTITY);
  // templateName: the particle system template; size: the particles' uniform scale.
  Fire *createFire(const String &name, const String &templateName, const double &size,
                   const Ogre::Vector3 &pos = Ogre::Vector3::ZERO,
                   const Ogre::Quaternion &orientation = Ogre::Quaternion::IDENTITY);
  // A null object stands for the static environment.
  Joint *createJoint(const String &name, JointType jtype, ApplicationObject *obj1, ApplicationObject *obj2);

  // Deletes every object and every joint.
  void clear();

  void setGravity(const Ogre::Vector3 &gravity);
  void setSimulationStepSize(Real step) { mSimulationStepSize = step; }
  // Seconds.
  Real getSimulationStepSize() const { return static_cast<Real>(mSimulationStepSize); }

  // Runs as many whole steps as the elapsed time (seconds) plus the carried
  // remainder allow, and carries what is left to the next call.
  void simulationStep(Real timeElapsed);
  // Seconds not yet simulated.
  double getLeftOverTime() const { return mLeftOverTime; }

  void _applyCollision();
  void _applyDynamics(Real timeElapsed);
  // Adds the object to the dynamics set (included) or removes it.
  void _notifyDynamicsStateForObject(ApplicationObject *object, bool included);

  const ObjectMap &getObjects() const { return mObjects; }
  const JointMap &getJoints() const { return mJoints; }
  const DynamicsObjectSet &getDynamicsObjects() const { return mDynamicsObjects; }

private:
  template <class T>
  T *adopt(const String &name, T *object, const Ogre::Vector3 &pos, const Ogre::Quaternion &orientation);

  static World *ms_Singleton;

  Ogre::SceneManager *mSceneMgr;
  ObjectMap mObjects;                 // owned
  JointMap mJoints;                   // owned
  DynamicsObjectSet mDynamicsObjects; // simulated or dormant objects; not owned
  dWorldID mOdeWorld = nullptr;
  dJointGroupID mOdeContactGroup = nullptr; // this step's contacts
  Ogre::Vector3 mGravity = Ogre::Vector3::ZERO;
  Ogre::IntersectionSceneQuery *mIntersectionQuery = nullptr;
  // Seconds; the single-precision 0.01, as the frame loop has always used it.
  double mSimulationStepSize = 0.01f;
  WorldType mWorldType;
  double mLeftOverTime = 0; // seconds carried to the next simulationStep
};

} // namespace OgreRefApp
