// The NPC's grid search: A* over moves of one step length in the eight grid
// directions, laid out on the fly from the NPC's own position, with every move
// tested by three rays (ahead, left, right) against the level's brushes and
// the scene's objects. No waypoint graph exists; the level itself is the map.

#include "refapp/OgreRefAppNPC.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include <OgreEntity.h>
#include <OgreSceneQuery.h>

namespace OgreRefApp {
namespace {

constexpr double ARRIVAL_RADIUS_SQ = 100; // a move ending closer than 10 units reaches the destination
constexpr double COST_CEILING = 5;        // routes longer than this many straight distances grow the step
constexpr double STEP_GROWTH = 1.5;
// Objects are ignored while expanding nodes at most this far (path length)
// from the start, so the NPC's neighbours at the start do not wall it in.
constexpr double IGNORE_OBJECTS_UP_TO_G = 10;

const char *const PLAYER_CAMERA_NAME = "PlayerCam";

} // namespace

void NPC::pushOpen(const AINode &node) {
  mOpenList.push_back(node);
  std::push_heap(mOpenList.begin(), mOpenList.end(), AINodeLowerPriority());
}

AINode NPC::popOpen() {
  std::pop_heap(mOpenList.begin(), mOpenList.end(), AINodeLowerPriority());
  AINode top = mOpenList.back();
  mOpenList.pop_back();
  return top;
}

bool NPC::isNearExpandedNode(const Ogre::Vector3 &endPoint) const {
  for (const AINode &expanded : mSearchRecord) {
    if (expanded.endPoint.distance(endPoint) < expanded.length)
      return true;
  }
  return false;
}

bool NPC::pathfind(AINode start) {
  mDestination.z = 0;
  const double straightDistance = start.position.distance(mDestination);
  for (;;) {
    switch (searchWithCurrentStep(start, straightDistance)) {
    case SearchOutcome::Found:
      return true;
    case SearchOutcome::NotFound:
      return false;
    case SearchOutcome::StepTooSmall:
      mStepLength *= STEP_GROWTH;
      if (mStepLength > straightDistance)
        return false;
      break;
    }
  }
}

NPC::SearchOutcome NPC::searchWithCurrentStep(AINode start, double straightDistance) {
  mOpenList.clear();
  mPath.clear();
  mSearchRecord.clear();
  const double maxCost = COST_CEILING * straightDistance;
  start.position.z = 0;
  start.endPoint.z = 0;
  pushOpen(start);

  while (!mOpenList.empty()) {
    const AINode node = popOpen();
    if (isNearExpandedNode(node.endPoint))
      continue;
    mSearchRecord.push_back(node);
    if (node.endPoint.squaredDistance(mDestination) < ARRIVAL_RADIUS_SQ)
      return SearchOutcome::Found;
    if (node.g > maxCost)
      return SearchOutcome::StepTooSmall;

    std::fill(std::begin(mGridRayCast), std::end(mGridRayCast), false);
    for (int k = 0; k < GRID_DIRECTION_COUNT; ++k) {
      if (k == node.id)
        continue; // never straight back to the parent
      AINode successor(GRID_DIRECTIONS[k], node.endPoint, mStepLength, oppositeDirection(k));
      if (isNearExpandedNode(successor.endPoint) || isGridMoveBlocked(node, k))
        continue;
      successor.g = node.g + mStepLength;
      successor.f = successor.g + successor.endPoint.distance(mDestination);
      pushOpen(successor);
    }
  }
  return SearchOutcome::NotFound;
}

// A move is barred when something stands within its reach ahead (the step
// length along the stored direction, so a diagonal looks sqrt(2) steps
// ahead) or within half the figure's width to either side.
bool NPC::isMoveBlocked(const AINode &parent, const AINode &successor) {
  const Ogre::Vector3 &origin = parent.endPoint;
  const Real forwardReach = static_cast<Real>(mStepLength) * successor.direction.length();
  if (nearestBarrier(origin, successor.direction.normalisedCopy(), parent.g) <= forwardReach)
    return true;
  const Ogre::Vector3 side = successor.direction.crossProduct(Ogre::Vector3::UNIT_Z).normalisedCopy();
  const Real halfWidth = mSize.x * 0.5f;
  return nearestBarrier(origin, side, parent.g) <= halfWidth ||
         nearestBarrier(origin, -side, parent.g) <= halfWidth;
}

Real NPC::gridBarrier(const AINode &node, int k) {
  if (!mGridRayCast[k]) {
    mGridBarrier[k] = nearestBarrier(node.endPoint, GRID_DIRECTIONS[k].normalisedCopy(), node.g);
    mGridRayCast[k] = true;
  }
  return mGridBarrier[k];
}

bool NPC::isGridMoveBlocked(const AINode &node, int k) {
  // The sides of direction k are the grid directions a quarter turn either way.
  const int right = (k + 6) % GRID_DIRECTION_COUNT;
  const int left = (k + 2) % GRID_DIRECTION_COUNT;
  const Real forwardReach = static_cast<Real>(mStepLength) * GRID_DIRECTIONS[k].length();
  const Real halfWidth = mSize.x * 0.5f;
  return gridBarrier(node, k) <= forwardReach || gridBarrier(node, right) <= halfWidth ||
         gridBarrier(node, left) <= halfWidth;
}

bool NPC::isOwnMovable(const Ogre::MovableObject *movable) const {
  return movable == mEntity || movable == mCloneEntity;
}

bool NPC::isBarrier(const Ogre::RaySceneQueryResultEntry &hit, double parentG) const {
  if (hit.worldFragment)
    return true;
  // The NPC's own figure is where it stands, never in its way.
  return hit.movable && parentG > IGNORE_OBJECTS_UP_TO_G && hit.movable->getName() != PLAYER_CAMERA_NAME &&
         !isOwnMovable(hit.movable);
}

Real NPC::nearestBarrier(const Ogre::Vector3 &origin, const Ogre::Vector3 &unitDirection, double parentG) {
  mRayQuery->setRay(Ogre::Ray(origin, unitDirection));
  mRayQuery->setSortByDistance(true);
  ++mRayQueryCount;
  for (const Ogre::RaySceneQueryResultEntry &hit : mRayQuery->execute()) {
    if (isBarrier(hit, parentG))
      return hit.distance;
  }
  return std::numeric_limits<Real>::infinity();
}

void NPC::addToPath(AINode node, Real step) {
  // A frame that walks no distance splits nothing (and must not divide by zero).
  const int subWaypoints = step > 0 ? static_cast<int>(std::floor(mStepLength / step)) : 0;
  mPath.push_back(node);
  // Laid backwards from the node's end point, one step apart.
  const Ogre::Vector3 back = -node.direction.normalisedCopy() * step;
  Ogre::Vector3 position = node.endPoint;
  for (int i = 0; i < subWaypoints; ++i) {
    mPath.push_back(AINode(node.direction, position, step, -1));
    position += back;
  }
}

void NPC::resolvePath(Real step) {
  mPath.clear();
  if (mSearchRecord.empty())
    return;
  const Ogre::Vector3 own = getPosition();
  AINode current = mSearchRecord.back();
  addToPath(current, step);
  for (int i = static_cast<int>(mSearchRecord.size()) - 2; i >= 0; --i) {
    if (current.position.distance(own) < mStepLength)
      break;
    if (current.position.distance(mSearchRecord[i].endPoint) < mStepLength) {
      addToPath(current, step);
      current = mSearchRecord[i];
    }
  }
  mCurrentWaypoint = mPath.back();
  mPath.pop_back();
}

} // namespace OgreRefApp
