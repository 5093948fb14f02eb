// The NPC's grid search: A* over moves of one step length in the eight grid
// directions, laid out on the fly from the NPC's own position, with every move
// tested by three rays (ahead, left, right) against the level's brushes and
// the scene's objects. No waypoint graph exists; the level itself is the map.

#include "refapp/OgreRefAppNPC.h"

#include "refapp/OgreRefAppLevelBarriers.h"
#include "refapp/OgreRefAppWorld.h"

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
  std::uint32_t slot;
  if (mFreeOpenSlots.empty()) {
    slot = static_cast<std::uint32_t>(mOpenNodes.size());
    mOpenNodes.push_back(node);
  } else {
    slot = mFreeOpenSlots.back();
    mFreeOpenSlots.pop_back();
    mOpenNodes[slot] = node;
  }
  // The heap compares f and g only, as it would compare the nodes: the same
  // pushes and pops take the nodes out in the same order, ties included.
  mOpenList.push_back({node.f, node.g, slot});
  std::push_heap(mOpenList.begin(), mOpenList.end(), AINodeLowerPriority());
}

AINode NPC::popOpen() {
  std::pop_heap(mOpenList.begin(), mOpenList.end(), AINodeLowerPriority());
  const std::uint32_t slot = mOpenList.back().slot;
  mOpenList.pop_back();
  mFreeOpenSlots.push_back(slot);
  return mOpenNodes[slot];
}

void NPC::tabulateGridDirections() {
  for (int k = 0; k < GRID_DIRECTION_COUNT; ++k) {
    mUnitGridDirections[k] = GRID_DIRECTIONS[k].normalisedCopy();
    mGridDirectionLengths[k] = GRID_DIRECTIONS[k].length();
  }
}

bool NPC::isNearExpandedNode(const Ogre::Vector3 &endPoint) const {
  if (mSearchTests == SearchTests::Grids)
    return mExpanded.isNearAny(endPoint);
  for (const AINode &expanded : mSearchRecord) {
    if (expanded.endPoint.distance(endPoint) < expanded.length)
      return true;
  }
  return false;
}

bool NPC::pathfind(AINode start) {
  beginSearch(start);
  std::size_t unlimited = std::numeric_limits<std::size_t>::max();
  return continueSearch(unlimited) == SearchProgress::Found;
}

std::size_t &NPC::frameSearchNodesLeft() {
  static LevelBarriers::FrameKey frame;
  static std::size_t nodesLeft = 0;
  const LevelBarriers::FrameKey now = LevelBarriers::currentFrame();
  if (now != frame) {
    frame = now;
    nodesLeft = FRAME_SEARCH_NODES;
  }
  return nodesLeft;
}

void NPC::beginSearch(AINode start) {
  mDestination.z = 0;
  mSearchStart = start;
  mSearchDestination = mDestination;
  mSearchStraightDistance = start.position.distance(mDestination);
  mSearchStepLength = mStepLength;
  mSearchPending = true;
  restartWithCurrentStep();
}

void NPC::restartWithCurrentStep() {
  mOpenList.clear();
  mOpenNodes.clear();
  mFreeOpenSlots.clear();
  mPath.clear();
  mSearchRecord.clear();
  // Every move of this search is one step long, but the start node keeps the
  // length it was made with.
  mExpanded.reset(std::max(mStepLength, mSearchStart.length));
  mGridParentG = -1; // the objects may have moved since the last lookups
  AINode start = mSearchStart;
  start.position.z = 0;
  start.endPoint.z = 0;
  pushOpen(start);
}

NPC::SearchProgress NPC::continueSearch(std::size_t &nodesLeft) {
  mStepLength = mSearchStepLength; // grown by earlier frames of this search
  // The level cannot change while this call runs: look its barriers up once
  // rather than for every test.
  struct BarriersLookedUp {
    NPC &npc;
    explicit BarriersLookedUp(NPC &owner) : npc(owner) {
      npc.mSearchBarriers = npc.levelBarriers();
      npc.mSearchBarriersLookedUp = true;
      npc.mSearchQueryMask = npc.mRayQuery->getQueryMask();
      npc.mSearchQueryTypeMask = npc.mRayQuery->getQueryTypeMask();
      // Nor do the objects move: no frame is drawn meanwhile.
      if (npc.mSearchBarriers)
        npc.mSearchBarriers->holdMovables(true);
    }
    ~BarriersLookedUp() {
      if (npc.mSearchBarriers)
        npc.mSearchBarriers->holdMovables(false);
      npc.mSearchBarriersLookedUp = false;
    }
  } lookedUp(*this);
  for (;;) {
    const SearchOutcome outcome = expandNodes(nodesLeft);
    if (outcome == SearchOutcome::OutOfNodes) {
      mSearchStepLength = mStepLength;
      return SearchProgress::Pending;
    }
    if (outcome == SearchOutcome::StepTooSmall) {
      mStepLength *= STEP_GROWTH;
      if (mStepLength <= mSearchStraightDistance) {
        restartWithCurrentStep();
        continue;
      }
    }
    mSearchPending = false;
    return outcome == SearchOutcome::Found ? SearchProgress::Found : SearchProgress::NotFound;
  }
}

NPC::SearchOutcome NPC::expandNodes(std::size_t &nodesLeft) {
  const double maxCost = COST_CEILING * mSearchStraightDistance;
  while (!mOpenList.empty()) {
    if (nodesLeft == 0)
      return SearchOutcome::OutOfNodes;
    const AINode node = popOpen();
    if (isNearExpandedNode(node.endPoint))
      continue;
    --nodesLeft;
    mSearchRecord.push_back(node);
    mExpanded.insert(node.endPoint, node.length);
    if (node.endPoint.squaredDistance(mSearchDestination) < ARRIVAL_RADIUS_SQ)
      return SearchOutcome::Found;
    if (node.g > maxCost)
      return SearchOutcome::StepTooSmall;

    for (int k = 0; k < GRID_DIRECTION_COUNT; ++k) {
      if (k == node.id)
        continue; // never straight back to the parent
      // As AINode(GRID_DIRECTIONS[k], node.endPoint, mStepLength, ...) would
      // place it; the node itself is made only for a move that is taken.
      const Ogre::Vector3 endPoint = node.endPoint + mUnitGridDirections[k] * static_cast<Real>(mStepLength);
      if (isNearExpandedNode(endPoint) || isMoveBlocked(node, k))
        continue;
      AINode successor;
      successor.id = oppositeDirection(k);
      successor.length = mStepLength;
      successor.direction = GRID_DIRECTIONS[k];
      successor.position = node.endPoint;
      successor.endPoint = endPoint;
      successor.g = node.g + mStepLength;
      successor.f = successor.g + successor.endPoint.distance(mSearchDestination);
      pushOpen(successor);
    }
  }
  return SearchOutcome::NotFound;
}

// A move is barred when something stands within its reach ahead (the step
// length along the stored direction, so a diagonal looks sqrt(2) steps
// ahead) or within half the figure's width to either side. The sides of
// direction k are the grid directions a quarter turn either way.
bool NPC::isMoveBlocked(const AINode &parent, int k) {
  // Most of a ship's deck is open: nothing near, nothing to test.
  if (isOpenAroundNode(parent))
    return false;
  const int right = (k + 6) % GRID_DIRECTION_COUNT;
  const int left = (k + 2) % GRID_DIRECTION_COUNT;
  const Real forwardReach = forwardReachOf(k);
  const Real halfWidth = mSize.x * 0.5f;
  return gridBarrier(parent, k) <= forwardReach || gridBarrier(parent, right) <= halfWidth ||
         gridBarrier(parent, left) <= halfWidth;
}

bool NPC::isOpenAroundNode(const AINode &node) {
  if (node.endPoint != mGridOrigin || node.g != mGridParentG || mStepLength != mGridStepLength) {
    mGridOrigin = node.endPoint;
    mGridParentG = node.g;
    mGridStepLength = mStepLength;
    mGridOpen = isOpenAround(node.endPoint);
    std::fill(std::begin(mGridRayCast), std::end(mGridRayCast), false);
  }
  return mGridOpen;
}

Real NPC::gridBarrier(const AINode &node, int k) {
  if (!mGridRayCast[k]) {
    // Both uses of this direction: ahead and to the side.
    mGridBarrier[k] =
        nearestBarrier(node.endPoint, mUnitGridDirections[k], node.g, forwardReachOf(k), mSize.x * 0.5f);
    mGridRayCast[k] = true;
  }
  return mGridBarrier[k];
}

bool NPC::isBarrierWithin(const Ogre::Vector3 &origin, const Ogre::Vector3 &unitDirection, double parentG,
                          Real reach) {
  return nearestBarrier(origin, unitDirection, parentG, reach, reach) <= reach;
}

LevelBarriers *NPC::levelBarriers() const {
  if (mSearchTests != SearchTests::Grids)
    return nullptr;
  World *world = World::getSingletonPtr();
  return world ? LevelBarriers::of(world->getSceneManager()) : nullptr;
}

LevelBarriers *NPC::currentBarriers() const {
  return mSearchBarriersLookedUp ? mSearchBarriers : levelBarriers();
}

Real NPC::nearestBarrier(const Ogre::Vector3 &origin, const Ogre::Vector3 &unitDirection, double parentG,
                         Real reach, Real otherReach) {
  // Scenes without a BSP level have no grids, and the grids keep the level
  // at one height: the ray query serves the rest (the search's rays all
  // run level).
  LevelBarriers *barriers = currentBarriers();
  if (!barriers || unitDirection.z != 0)
    return nearestBarrierByRayQuery(origin, unitDirection, parentG);
  bool undecided = false;
  const Real nearest = nearestLevelBarrierOnGrids(*barriers, origin, unitDirection, parentG,
                                                  std::max(reach, otherReach), undecided);
  const Real margin = LevelBarriers::ROUNDING_MARGIN;
  if (undecided || std::fabs(nearest - reach) < margin || std::fabs(nearest - otherReach) < margin)
    return nearestBarrierByRayQuery(origin, unitDirection, parentG);
  return nearest;
}

Real NPC::nearestLevelBarrierOnGrids(LevelBarriers &barriers, const Ogre::Vector3 &origin,
                                     const Ogre::Vector3 &unitDirection, double parentG, Real limit,
                                     bool &undecided) {
  ++mGridTestCount;
  const Ogre::Ray ray(origin, unitDirection);
  // A little farther than asked, so that a hit just beyond shows up as close.
  const Real reach = limit + LevelBarriers::ROUNDING_MARGIN;
  const LevelBarriers::Neighbourhood &near = neighbourhoodOf(barriers, origin, reach);
  const Real nearest = barriers.nearestBrushAround(near, ray, reach, &undecided);
  if (parentG <= IGNORE_OBJECTS_UP_TO_G)
    return nearest;
  return std::min(nearest, barriers.nearestMovableAround(near, ray, std::min(reach, nearest), &undecided));
}

const LevelBarriers::Neighbourhood &NPC::neighbourhoodOf(LevelBarriers &barriers, const Ogre::Vector3 &origin,
                                                         Real reach) {
  if (!barriers.covers(mNeighbourhood, origin, reach)) {
    // Every move from a node looks at most this far: gathered once for all.
    const Real moveReach = std::max({forwardReachOf(0), forwardReachOf(1), mSize.x * 0.5f});
    const Real radius = std::max(reach, moveReach + LevelBarriers::ROUNDING_MARGIN);
    // Neither the player's camera nor the NPC's own figure bars its moves.
    barriers.gather(mNeighbourhood, origin, radius, queryMask(), queryTypeMask(),
                    [this](const LevelBarriers::Movable &candidate) {
                      return !candidate.isPlayerCamera && !isOwnMovable(candidate.object);
                    });
  }
  return mNeighbourhood;
}

bool NPC::isOpenAround(const Ogre::Vector3 &origin) {
  LevelBarriers *barriers = currentBarriers();
  if (!barriers)
    return false;
  const LevelBarriers::Neighbourhood &near = neighbourhoodOf(*barriers, origin, 0);
  return near.brushes.empty() && near.movables.empty();
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

Real NPC::nearestBarrierByRayQuery(const Ogre::Vector3 &origin, const Ogre::Vector3 &unitDirection,
                                   double parentG) {
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
