#include "refapp/OgreRefAppNPC.h"

#include <algorithm>

#include <OgreAnimationState.h>
#include <OgreEntity.h>
#include <OgreFrameListener.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreSceneQuery.h>
#include <OgreStringConverter.h>

#include "refapp/OgreRefAppCharacter.h"
#include "refapp/OgreRefAppFigure.h"
#include "refapp/OgreRefAppFire.h"
#include "refapp/OgreRefAppLevelBarriers.h"
#include "refapp/OgreRefAppWorld.h"
#include "shell/state/ObjectKinds.h"
#include "shell/state/StationState.h"

std::ofstream npcLog("test.txt");

namespace OgreRefApp {
namespace {

// Clone lift above the figure's depth for standing poses, node units.
constexpr Real STANDING_LIFT = 12;

constexpr double GRID_STEP = 10;          // level units, reset every tick
constexpr Real FOLLOW_DISTANCE = 30;      // behind the target along -X
constexpr double ARRIVAL_RADIUS_SQ = 100; // closer than 10 units counts as arrived
constexpr int MAX_WALK_FAILURES = 4;      // a walker gives up at the fifth failed search

constexpr double TREATMENT_SECONDS = 3.0;
constexpr double EXTINGUISH_STEP_SECONDS = 0.5;
constexpr double MEDKIT_PER_TREATMENT = 5;
constexpr double EXTINGUISHER_PER_STEP = 2;
constexpr Real FIRE_OUT_SCALE_LENGTH = 0.4f;
constexpr Real FIRE_SHRINK = 0.01f;
const Ogre::Vector3 EXTINGUISHED_FIRE_POSITION(0, 0, -100);

constexpr Real MEDIC_DISTANCE = 40;    // from the passenger, on the medic chief's side
constexpr Real FIREMAN_DISTANCE = 100; // from the fire, on the fireman chief's side
constexpr Real POOL_LIFT = 200;        // pooled crew wait this far above their last place

constexpr Real WALL_PROBE_HEIGHT = 1; // the wall probe starts this far above the NPC's origin
constexpr Real WALL_PROBE_REACH = 5;  // only walls this close ahead push the NPC back

CrewWorkListener crewWorkListener = nullptr;

void tellCrewWorkDone(const String &crew, const char *work, const String &target) {
  if (crewWorkListener)
    crewWorkListener(crew, work, target);
}

Character *chiefCharacter(RoleCode role) {
  const std::unique_ptr<ClientRecord> &record = clientTable[role];
  return record ? record->character : nullptr;
}

// Horizontal unit vector from a chief to a target; zero if they stand on one spot.
Ogre::Vector3 horizontalDirection(const Ogre::Vector3 &from, const Ogre::Vector3 &to) {
  Ogre::Vector3 d(to.x - from.x, to.y - from.y, 0);
  d.normalise();
  return d;
}

} // namespace

NPC::NPC(const String &name, const String &meshName) : mMeshName(meshName), mName(name) {
  tabulateGridDirections();
  setUp(name);
}

NPC::~NPC() {
  World *world = World::getSingletonPtr();
  if (mRayQuery && world)
    world->getSceneManager()->destroyQuery(mRayQuery);
}

void NPC::setUp(const String &name) {
  Ogre::SceneManager &sceneManager = *World::getSingleton().getSceneManager();
  const FigureParts parts = setUpFigure(name, mMeshName);
  mCloneEntity = parts.cloneEntity;
  mCloneNode = parts.cloneNode;
  mSize = parts.size;
  mCurrentAnimation = nullptr;

  mRayQuery = sceneManager.createRayQuery(Ogre::Ray(Ogre::Vector3::ZERO, Ogre::Vector3::UNIT_Z), 0xFFFFFFFF);
  mRayQuery->setWorldFragmentType(Ogre::SceneQuery::WFT_PLANE_BOUNDED_REGION);
}

Real NPC::cloneHeightFor(const String &state, const Ogre::Vector3 &size) {
  return isDeadState(state) ? 0 : size.z + STANDING_LIFT;
}

void NPC::setState(const String &state) {
  mCloneNode->setPosition(0, cloneHeightFor(state, mSize), 0);
  playFigureAnimation(mCurrentAnimation, *mCloneEntity, state);
}

String NPC::getCurrentAnimationName() const {
  return mCurrentAnimation ? mCurrentAnimation->getAnimationName() : String();
}

void NPC::setStateUnlessCurrent(const String &state) {
  if (!mCurrentAnimation || mCurrentAnimation->getAnimationName() != state)
    setState(state);
}

void NPC::zeroVelocities() {
  // The velocity setters insist on live dynamics; a pooled NPC has nothing to stop.
  if (!mOdeBody || !isDynamicsEnabled())
    return;
  setLinearVelocity(Ogre::Vector3::ZERO);
  setAngularVelocity(Ogre::Vector3::ZERO);
}

void NPC::_updateFromDynamics() {
  if (!mOdeBody)
    return;
  if (followBodyUpright(mOdeBody, mReenableIfInteractedWith, mDynamicsEnabled, *mSceneNode))
    updateCollisionProxies();
  updateAutoDisable();
}

// ---- Orders ----

void NPC::moveToDest(const Ogre::Vector3 &dest) {
  mSearchPending = false; // a search under way aimed at the old order
  // A new order gets its own five tries.
  mPathFailures = 0;
  mFollowing = false;
  mDestination = dest;
  mMoving = true;
  setState(STATE_WALK);
}

void NPC::startFollowObject(ApplicationObject *&obj) {
  mSearchPending = false; // a search under way aimed at the old order
  mPathFailures = 0;
  mFollowTarget = obj;
  mFollowing = true;
  setState(STATE_WALK);
}

void NPC::stopFollowObject() {
  mSearchPending = false; // a search under way aimed at the old order
  mFollowing = false;
  mFollowTarget = nullptr;
  mPath.clear();
  mDestination = getPosition();
  setState(STATE_IDLE);
}

bool NPC::hasReachedDest() {
  mDestination.z = 0;
  const Ogre::Vector3 &p = getPosition();
  return Ogre::Vector3(p.x, p.y, 0).squaredDistance(mDestination) < ARRIVAL_RADIUS_SQ;
}

// ---- Walking ----

void NPC::tick(const Ogre::FrameEvent &, Real step) {
  mStepLength = GRID_STEP;
  if (mFollowing)
    updateFollowing();
  if (!mMoving)
    return;
  if (!takeNextWaypoint(step))
    return; // its search goes on next frame; it waits where it stands
  walkAlongCurrentWaypoint(step);
  if (mMoving) {
    mMoving = !hasReachedDest();
    if (!mMoving)
      setState(STATE_IDLE);
  }
}

void NPC::updateFollowing() {
  if (mFollowTarget) {
    mDestination = mFollowTarget->getPosition() - FOLLOW_DISTANCE * Ogre::Vector3::UNIT_X;
    mDestination.z = 0;
  } else {
    mDestination = getPosition();
    setStateUnlessCurrent(STATE_IDLE);
  }
  const bool wasMoving = mMoving;
  mMoving = !hasReachedDest();
  if (!wasMoving && mMoving)
    setState(STATE_WALK);
  if (!mMoving && mFollowTarget) {
    // Waiting at the follow point: look at the one being followed, and
    // remember it, so that walking on turns the figure back to its way.
    mLastFacing = horizontalOf(getPosition() - mFollowTarget->getPosition()).normalisedCopy();
    faceAway(mLastFacing);
    setStateUnlessCurrent(STATE_IDLE);
  }
}

bool NPC::takeNextWaypoint(Real step) {
  if (!mPath.empty()) {
    mCurrentWaypoint = mPath.back();
    mPath.pop_back();
    return true;
  }
  if (!mSearchPending)
    beginSearch(AINode(Ogre::Vector3::ZERO, getPosition(), mStepLength, -1));
  switch (continueSearch(frameSearchNodesLeft())) {
  case SearchProgress::Pending:
    return false;
  case SearchProgress::Found:
    mPathFailures = 0;
    resolvePath(step);
    mSearchRecord.clear();
    return true;
  case SearchProgress::NotFound:
    break;
  }
  walkStraightAfterFailedSearch(step);
  return true;
}

void NPC::walkStraightAfterFailedSearch(Real step) {
  ++mPathFailures;
  const Ogre::Vector3 from = horizontalOf(getPosition());
  addToPath(AINode(horizontalDirection(from, mDestination), from, mStepLength, -1), step);
  mCurrentWaypoint = mPath.back();
  mPath.pop_back();
  npcLog << "Path not found to :" << Ogre::StringConverter::toString(mDestination) << std::endl;
  if (!mFollowing && mPathFailures > MAX_WALK_FAILURES) {
    mMoving = false;
    setState(STATE_IDLE);
  }
}

void NPC::faceAway(const Ogre::Vector3 &direction) {
  pointLocalMinusZAlong(*mCloneNode, direction);
}

void NPC::walkAlongCurrentWaypoint(Real step) {
  const Ogre::Vector3 d = mCurrentWaypoint.direction.normalisedCopy();
  if (-d != mLastFacing) {
    mLastFacing = -d;
    if (mCurrentAnimation)
      mCurrentAnimation->setTimePosition(0);
    faceAway(-d);
  }
  setPosition(getPosition() + d * step);
  zeroVelocities();
}

// ---- Crew work ----

void NPC::crewtick(const Ogre::FrameEvent &evt) {
  mWorkTimer += evt.timeSinceLastFrame;
  if (!mWorking)
    return;
  if (isMedicCrew(mName)) {
    if (mWorkTimer > TREATMENT_SECONDS)
      treatTargetPassenger();
  } else if (isFireCrew(mName)) {
    if (mWorkTimer > EXTINGUISH_STEP_SECONDS)
      extinguishTargetFire();
  }
}

void NPC::treatTargetPassenger() {
  // The treatment itself was counted and paid when the member was sent (so
  // every station decides the same later dispatches); its end shows it.
  if (NPC *passenger = dynamic_cast<NPC *>(findNamedObject(mTargetName))) {
    passenger->zeroVelocities();
    passenger->showInjury();
  }
  tellCrewWorkDone(mName, "crew treated", mTargetName);
  setDisabled();
}

bool NPC::treat() {
  medkitSupply -= MEDKIT_PER_TREATMENT;
  if (injuryLevel <= 0)
    return false;
  injuryLevel -= 1;
  if (injuryLevel > 0)
    return false;
  healedCount += 1;
  return true;
}

void NPC::showInjury() {
  const String pose = getCurrentAnimationName();
  if (injuryLevel == 1 && pose != STATE_DEAD_SITTING)
    setState(STATE_DEAD_SITTING);
  else if (injuryLevel == 0 && isDeadState(pose))
    setState(STATE_IDLE);
}

void NPC::finishCrewWork() {
  if (!mWorking)
    return;
  if (isMedicCrew(mName)) {
    treatTargetPassenger();
    return;
  }
  while (mWorking)
    extinguishTargetFire();
}

void NPC::extinguishTargetFire() {
  Fire *fire = dynamic_cast<Fire *>(findNamedObject(mTargetName));
  if (!fire || !fire->isCollisionEnabled()) {
    // Put out meanwhile (by the fireman chief or another crew member): it
    // must not be counted, nor paid for, twice.
    setDisabled();
    return;
  }
  Ogre::SceneNode *fireNode = fire->getSceneNode();
  const Ogre::Vector3 scale = fireNode->getScale();
  if (scale.length() <= FIRE_OUT_SCALE_LENGTH) {
    fireNode->setVisible(false, true);
    fire->setPosition(EXTINGUISHED_FIRE_POSITION);
    fire->setDynamicsEnabled(false, false);
    fire->setCollisionEnabled(false);
    extinguishedCount += 1;
    tellCrewWorkDone(mName, "crew fire out", mTargetName);
    setDisabled();
  } else {
    const Ogre::Vector3 factor = scale - Ogre::Vector3(FIRE_SHRINK, FIRE_SHRINK, FIRE_SHRINK);
    fireNode->scale(factor);
    fire->resizeCollisionArea(factor);
    mWorkTimer = 0;
    tellCrewWorkDone(mName, "crew extinguish", mTargetName);
  }
  extinguisherSupply -= EXTINGUISHER_PER_STEP;
}

bool NPC::workOnPassenger(String passengerName) {
  NPC *passenger = dynamic_cast<NPC *>(findNamedObject(passengerName));
  Character *medic = chiefCharacter(ROLE_MEDIC);
  if (!passenger || !medic || passenger->injuryLevel <= 0)
    return false;
  passenger->treat();
  const Ogre::Vector3 q = passenger->getPosition();
  const Ogre::Vector3 d = horizontalDirection(medic->getPosition(), q);
  mTargetName = passengerName;
  showAsSummoned(Ogre::Vector3(q.x - MEDIC_DISTANCE * d.x, q.y - MEDIC_DISTANCE * d.y, 0), d,
                 "Summon Medic on :", STATE_MEDKIT_CROUCH);
  return true;
}

bool NPC::workOnFire(String fireName) {
  Fire *fire = dynamic_cast<Fire *>(findNamedObject(fireName));
  Character *fireman = chiefCharacter(ROLE_FIREMAN);
  // A fire that is out lies hidden below the deck; nobody is sent there.
  if (!fire || !fire->isCollisionEnabled() || !fireman)
    return false;
  const Ogre::Vector3 q = fire->getPosition();
  const Ogre::Vector3 d = horizontalDirection(fireman->getPosition(), q);
  mTargetName = fireName;
  showAsSummoned(Ogre::Vector3(q.x - FIREMAN_DISTANCE * d.x, q.y - FIREMAN_DISTANCE * d.y, q.z), d,
                 "Summon Fireman on :", STATE_FIRE_SHOOT);
  return true;
}

void NPC::showAsSummoned(const Ogre::Vector3 &position, const Ogre::Vector3 &towardsTarget,
                         const char *logText, const char *state) {
  mWorkTimer = 0;
  mWorking = true;
  setCollisionEnabled(true);
  setDynamicsEnabled(true, true);
  mCloneNode->setVisible(true, true);
  zeroVelocities();
  setPosition(position);
  npcLog << logText << Ogre::StringConverter::toString(position) << std::endl;
  faceAway(-towardsTarget);
  zeroVelocities();
  setState(state);
}

void NPC::setDisabled() {
  std::vector<NPC *> *pool = nullptr;
  if (isFireCrew(mName))
    pool = &fireCrewPool;
  else if (isMedicCrew(mName))
    pool = &medicCrewPool;
  // Once in the pool is enough: a member listed twice would be sent twice.
  if (pool && std::find(pool->begin(), pool->end(), this) == pool->end())
    pool->push_back(this);
  setCollisionEnabled(false);
  setDynamicsEnabled(false, false);
  mCloneNode->setVisible(false, true);
  setPosition(getPosition() + POOL_LIFT * Ogre::Vector3::UNIT_Z);
  mWorking = false;
  setState(STATE_IDLE);
}

// ---- Collisions ----

// Walkers keep to the deck: a contact pushes them out sideways only, or
// the deck's own contact would lift one that stands facing a wall.
void NPC::pushOutHorizontally(const CollisionInfo &info) {
  const Real depth = static_cast<Real>(info.penetrationDepth);
  translateWorldSpace(Ogre::Vector3(depth * info.normal.x, depth * info.normal.y, 0));
}

void NPC::_notifyCollided(ApplicationObject *, const CollisionInfo &info) {
  zeroVelocities();
  pushOutHorizontally(info);
  mPath.clear();
  zeroVelocities();
  setDynamicsEnabled(true, true);
}

void NPC::_notifyCollided(Ogre::SceneQuery::WorldFragment *, const CollisionInfo &info) {
  zeroVelocities();
  if (firstWallAhead(WALL_PROBE_REACH)) {
    pushOutHorizontally(info);
    mPath.clear();
  }
  zeroVelocities();
  setDynamicsEnabled(false, true);
}

const Ogre::SceneQuery::WorldFragment *NPC::firstWallAhead(Real maxDistance) {
  if (mCurrentWaypoint.direction.isZeroLength())
    return nullptr;
  const Ogre::Vector3 origin = getPosition() + WALL_PROBE_HEIGHT * Ogre::Vector3::UNIT_Z;
  // The waypoint's direction as stored: the reach counts in its lengths.
  const Ogre::Ray probe(origin, mCurrentWaypoint.direction);
  if (LevelBarriers *barriers = levelBarriers()) {
    ++mGridTestCount;
    return barriers->nearestBrushWithin(probe, maxDistance);
  }
  mRayQuery->setRay(probe);
  mRayQuery->setSortByDistance(true);
  ++mRayQueryCount;
  for (const Ogre::RaySceneQueryResultEntry &hit : mRayQuery->execute()) {
    if (hit.distance > maxDistance)
      break;
    if (hit.worldFragment)
      return hit.worldFragment;
  }
  return nullptr;
}

void setCrewWorkListener(CrewWorkListener listener) {
  crewWorkListener = listener;
}

} // namespace OgreRefApp
