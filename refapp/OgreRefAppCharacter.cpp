#include "refapp/OgreRefAppCharacter.h"

#include <cmath>

#include <OgreAnimationState.h>
#include <OgreEntity.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include "refapp/OgreRefAppFigure.h"
#include "refapp/OgreRefAppWorld.h"

namespace OgreRefApp {

const char *const STATE_IDLE = "Idle";
const char *const STATE_WALK = "Walk";
const char *const STATE_DEAD = "Dead";
const char *const STATE_DEAD_BACK = "DeadBack";
const char *const STATE_DEAD_SITTING = "DeadSitting";
const char *const STATE_DEAD_STOMACH = "DeadStomach";
const char *const STATE_CROUCH = "Crouch";
const char *const STATE_MEDKIT_CROUCH = "Medkit_Crouch_Shoot1";
const char *const STATE_FIRE_SHOOT = "Fire_Shoot2";

namespace {

// Clone lift above the figure height, node units, by mesh family.
constexpr int CAPTAIN_LIFT = 6;
constexpr int ELVIS_LIFT = 8;
constexpr int DEFAULT_LIFT = 2;

int meshLift(const String &meshName) {
  if (meshName.find("captain") != String::npos)
    return CAPTAIN_LIFT;
  if (meshName.find("elvis") != String::npos)
    return ELVIS_LIFT;
  return DEFAULT_LIFT;
}

} // namespace

bool isDeadState(const Ogre::String &state) {
  return state.find(STATE_DEAD) != Ogre::String::npos;
}

Character::Character(const String &name, const String &meshName) : mMeshName(meshName) {
  setUp(name);
}

Character::~Character() = default;

void Character::setUp(const String &name) {
  const FigureParts parts = setUpFigure(name, mMeshName);
  mCloneEntity = parts.cloneEntity;
  mCloneNode = parts.cloneNode;
  mSize = parts.size;
  mCurrentAnimation = nullptr;
}

Ogre::Real Character::cloneHeightFor(const String &state, const String &meshName, const Ogre::Vector3 &size) {
  if (isDeadState(state))
    return 0;
  const double height =
      state.find(STATE_CROUCH) != String::npos ? size.z * 0.5 + 10.0 : static_cast<double>(size.z) + 20.0;
  return static_cast<Ogre::Real>(static_cast<int>(height) + meshLift(meshName));
}

void Character::setState(const String &state) {
  mCloneNode->setPosition(0, cloneHeightFor(state, mMeshName, mSize), 0);
  playFigureAnimation(mCurrentAnimation, *mCloneEntity, state);
}

void Character::_updateFromDynamics() {
  if (!mOdeBody)
    return;
  if (followBodyUpright(mOdeBody, mReenableIfInteractedWith, mDynamicsEnabled, *mSceneNode))
    updateCollisionProxies();
  updateAutoDisable();
}

void Character::zeroVelocities() {
  // The velocity setters insist on live dynamics; a figure without them has
  // nothing to stop.
  if (!mOdeBody || !isDynamicsEnabled())
    return;
  setLinearVelocity(Ogre::Vector3::ZERO);
  setAngularVelocity(Ogre::Vector3::ZERO);
}

void Character::pushOutHorizontally(const CollisionInfo &info) {
  zeroVelocities();
  const Real depth = static_cast<Real>(info.penetrationDepth);
  translateWorldSpace(Ogre::Vector3(depth * info.normal.x, depth * info.normal.y, 0));
  zeroVelocities();
}

void Character::_notifyCollided(ApplicationObject *, const CollisionInfo &info) {
  pushOutHorizontally(info);
  setDynamicsEnabled(true, true);
}

void Character::_notifyCollided(Ogre::SceneQuery::WorldFragment *, const CollisionInfo &info) {
  pushOutHorizontally(info);
  setDynamicsEnabled(false, true);
}

} // namespace OgreRefApp
