#pragma once
// A computer-driven person on the ship. Passengers (names containing
// "passenger") lie injured, are healed, and walk to a point or follow a chief,
// finding their way with a grid search whose moves are tested by rays against
// the level and other objects. Crew members (names containing "CREW") wait
// hidden in a pool, are summoned beside a passenger or a fire, work there and
// return to the pool.

#include <cstdint>
#include <fstream>
#include <vector>

#include <OgreString.h>
#include <OgreVector.h>

#include "refapp/OgreRefAppAINode.h"
#include "refapp/OgreRefAppApplicationObject.h"
#include "refapp/OgreRefAppLevelBarriers.h"
#include "refapp/OgreRefAppSpatialHash.h"

namespace Ogre {
class AnimationState;
struct FrameEvent;
class RaySceneQuery;
struct RaySceneQueryResultEntry;
} // namespace Ogre

// The NPC log "test.txt" in the working directory, truncated at every start.
extern std::ofstream npcLog;

namespace OgreRefApp {

class NPC : public ApplicationObject {
public:
  // Waypoints still to walk; the back is walked next.
  using Path = std::vector<AINode>;
  using SearchRecord = std::vector<AINode>;

  NPC(const String &name, const String &meshName);
  ~NPC() override;

  // Dead poses put the clone at the node's origin, all others at the figure's
  // height; then plays the state's animation from its start, looping.
  void setState(const String &state);
  // Height of the clone above the object node, in the node's units: 0 for
  // dead poses, else the figure's height (size.z, mesh units) plus a lift.
  static Real cloneHeightFor(const String &state, const Ogre::Vector3 &size);

  // One frame of a passenger's walking or following; step is this frame's
  // walking distance in level units.
  void tick(const Ogre::FrameEvent &evt, Real step);
  // One frame of a crew member's work.
  void crewtick(const Ogre::FrameEvent &evt);

  // Walks to dest; waypoints already queued are walked first.
  void moveToDest(const Ogre::Vector3 &dest);
  // Follows obj, keeping 30 units on its -X side.
  void startFollowObject(ApplicationObject *&obj);
  void stopFollowObject();
  // Closer than 10 units to the destination, heights ignored; forces the
  // destination's z to 0.
  bool hasReachedDest();

  // Back to the crew pool of its kind: hidden, lifted 200 units, no collision,
  // no dynamics, "Idle".
  void setDisabled();
  // Summons this medic crew member 40 units from a lying passenger on the
  // medic chief's side. Nothing happens without such a passenger or a medic
  // chief; then it returns false and the member stays idle, so the dispatcher
  // must keep it in its pool. The treatment is counted and paid at once (the
  // dispatch arrives in the same order on every station, its end by local
  // time); the passenger's pose changes when the work ends.
  bool workOnPassenger(String passengerName);
  // Passengers: one treatment (a chief's or a crew member's) takes the
  // injury a step towards standing and pays its medical kits. Returns true
  // when it made the passenger stand (one more healed).
  bool treat();
  // The pose follows the injury: sitting at 1, up (unless already up and
  // walking) at 0; lying poses are left as they are.
  void showInjury();
  // Summons this fire crew member 100 units from a burning fire on the
  // fireman chief's side; false (and nothing) without such a fire or chief.
  bool workOnFire(String fireName);
  // Ends the work under way at once: a treatment shows, a fire is stepped
  // until it is out, each step paid. The exercise's end calls it, so every
  // station closes with the same state whatever each crew's clock had done.
  void finishCrewWork();

  // Grid search from start towards the destination; true when a move ending
  // within 10 units of it was reached (it is then the record's last node).
  // Runs to its end at once; a walker's tick instead spreads its search over
  // frames (see continueSearch).
  bool pathfind(AINode start);
  // Nodes all searches together may expand in one frame. A walker whose
  // search is not through when the frame's nodes are spent stands still and
  // carries on next frame with the same search, so no frame stalls on one,
  // whatever it floods (a point nothing reaches floods the deck several
  // times over as the step grows: about 16,000 nodes). No search is cut
  // short, so what a search finds is unchanged; only when the walker sets
  // off. 600 nodes cost under half a millisecond in open deck and about
  // 1 ms along walls and crowds on the grids, which leaves the world step
  // and a crowd's ticks room in a 60 fps frame even on a slow station; the
  // longest search across the deck (lounge to the medic's start, 1838
  // nodes) takes four frames.
  // Counted in nodes, not time, so every station's walkers set off in the
  // same frame.
  static constexpr std::size_t FRAME_SEARCH_NODES = 600;
  // Whether a search begun by the walker's tick is waiting for next frame.
  bool isSearchPending() const { return mSearchPending; }
  // Pushes node and floor(step length / step) sub-waypoints of length step.
  void addToPath(AINode node, Real step);
  // Turns the search record into waypoints and takes the first as current.
  void resolvePath(Real step);
  // Whether the move from parent's end point along grid direction k is
  // barred by the level or, once the search is a step away, by an object.
  // The search's own test.
  bool isMoveBlocked(const AINode &parent, int k);
  // Whether something that bars moves from a node with path length parentG
  // lies within reach (level units) along the unit direction from origin:
  // the test under every move.
  bool isBarrierWithin(const Ogre::Vector3 &origin, const Ogre::Vector3 &unitDirection, double parentG,
                       Real reach);

  // How the search tests moves: against the level's barrier grids and a
  // spatial hash of the record (the default), or by a scene ray query per
  // test and a scan of the whole record per visited test, which is kept to
  // check the grids against and to measure them.
  enum class SearchTests { Grids, RayQueries };
  void setSearchTests(SearchTests tests) { mSearchTests = tests; }
  SearchTests getSearchTests() const { return mSearchTests; }

  void _updateFromDynamics() override;

  // Set by the scene roster the first time it orders this passenger.
  bool engaged = false;
  // Passengers: 2 lying, 1 sitting, 0 standing. Kept apart from the
  // animation so that treatments and crew work arriving in different orders
  // on different stations add up to the same state; the pose only shows it.
  int injuryLevel = 0;

  const String &getMeshName() const { return mMeshName; }
  const String &getName() const { return mName; }
  const String &getTargetName() const { return mTargetName; }
  Ogre::Entity *getCloneEntity() const { return mCloneEntity; }
  Ogre::SceneNode *getCloneNode() const { return mCloneNode; }
  // Null until the first setState.
  Ogre::AnimationState *getCurrentAnimation() const { return mCurrentAnimation; }
  // Name of the current animation, empty before the first setState.
  String getCurrentAnimationName() const;
  const Ogre::Vector3 &getSize() const { return mSize; }
  const SearchRecord &getSearchRecord() const { return mSearchRecord; }
  const Path &getPath() const { return mPath; }
  const AINode &getCurrentWaypoint() const { return mCurrentWaypoint; }
  ApplicationObject *getFollowTarget() const { return mFollowTarget; }
  const Ogre::Vector3 &getDestination() const { return mDestination; }
  const Ogre::Vector3 &getLastFacing() const { return mLastFacing; }
  bool isMoving() const { return mMoving; }
  bool isFollowing() const { return mFollowing; }
  bool isWorking() const { return mWorking; }
  double getStepLength() const { return mStepLength; }
  void setStepLength(double stepLength) { mStepLength = stepLength; }
  double getWorkTimer() const { return mWorkTimer; }
  int getPathFailures() const { return mPathFailures; }
  // Ray queries run by this NPC since it was made (searches and collisions).
  std::uint64_t getRayQueryCount() const { return mRayQueryCount; }
  // Barrier tests on the grids run by this NPC since it was made.
  std::uint64_t getGridTestCount() const { return mGridTestCount; }

protected:
  void setUp(const String &name) override;
  // Touching another object pushes the NPC out horizontally and makes it
  // search again; touching the level backs it off a wall just ahead.
  void _notifyCollided(ApplicationObject *other, const CollisionInfo &info) override;
  void _notifyCollided(Ogre::SceneQuery::WorldFragment *fragment, const CollisionInfo &info) override;

private:
  enum class SearchOutcome { Found, NotFound, StepTooSmall, OutOfNodes };
  enum class SearchProgress { Found, NotFound, Pending };

  // Starts a search from start towards the destination, with the current
  // step length; nothing is expanded yet.
  void beginSearch(AINode start);
  // Expands at most nodesLeft nodes (counted down) of the search begun.
  SearchProgress continueSearch(std::size_t &nodesLeft);
  void restartWithCurrentStep();
  SearchOutcome expandNodes(std::size_t &nodesLeft);
  // This frame's nodes still to spend, shared by every NPC.
  static std::size_t &frameSearchNodesLeft();
  bool isNearExpandedNode(const Ogre::Vector3 &endPoint) const;
  void pushOpen(const AINode &node);
  AINode popOpen();
  // Distance along a unit direction to the nearest hit that bars moves from
  // a node with path length parentG, exact enough to be compared with
  // either reach; infinity if none (the grids look no farther than the
  // larger reach).
  Real nearestBarrier(const Ogre::Vector3 &origin, const Ogre::Vector3 &unitDirection, double parentG,
                      Real reach, Real otherReach);
  Real nearestBarrierByRayQuery(const Ogre::Vector3 &origin, const Ogre::Vector3 &unitDirection,
                                double parentG);
  // For a level ray. undecided is set when the answer is too close to call
  // on the grids.
  Real nearestLevelBarrierOnGrids(LevelBarriers &barriers, const Ogre::Vector3 &origin,
                                  const Ogre::Vector3 &unitDirection, double parentG, Real limit,
                                  bool &undecided);
  // What level rays from origin up to reach, or up to any move's reach,
  // can meet; gathered anew only for another origin or a longer reach.
  const LevelBarriers::Neighbourhood &neighbourhoodOf(LevelBarriers &barriers, const Ogre::Vector3 &origin,
                                                      Real reach);
  // Whether no move from origin can meet anything: false without grids.
  bool isOpenAround(const Ogre::Vector3 &origin);
  std::uint32_t queryMask() const {
    return mSearchBarriersLookedUp ? mSearchQueryMask : mRayQuery->getQueryMask();
  }
  std::uint32_t queryTypeMask() const {
    return mSearchBarriersLookedUp ? mSearchQueryTypeMask : mRayQuery->getQueryTypeMask();
  }
  bool isBarrier(const Ogre::RaySceneQueryResultEntry &hit, double parentG) const;
  bool isOwnMovable(const Ogre::MovableObject *movable) const;
  // Whether no move from node can meet anything; also starts the node's
  // barrier lookups afresh for another node, path length or step length.
  bool isOpenAroundNode(const AINode &node);
  // The barrier along grid direction k from the node of the last
  // isOpenAroundNode, looked up once per node and direction: the forward
  // ray of one move is the side ray of two others.
  Real gridBarrier(const AINode &node, int k);
  LevelBarriers *levelBarriers() const;
  // The search's looked-up barriers while it expands, else levelBarriers().
  LevelBarriers *currentBarriers() const;
  void tabulateGridDirections();
  // How far ahead a move along grid direction k looks: the step length
  // along the stored, unnormalised direction.
  Real forwardReachOf(int k) const { return static_cast<Real>(mStepLength) * mGridDirectionLengths[k]; }
  const Ogre::SceneQuery::WorldFragment *firstWallAhead(Real maxDistance);
  void pushOutHorizontally(const CollisionInfo &info);

  void updateFollowing();
  // False while the search for the next waypoints has to go on next frame.
  bool takeNextWaypoint(Real step);
  void walkStraightAfterFailedSearch(Real step);
  void walkAlongCurrentWaypoint(Real step);
  void faceAway(const Ogre::Vector3 &direction);
  void setStateUnlessCurrent(const String &state);
  void zeroVelocities();
  void treatTargetPassenger();
  void extinguishTargetFire();
  void showAsSummoned(const Ogre::Vector3 &position, const Ogre::Vector3 &towardsTarget, const char *logText,
                      const char *state);

  String mMeshName;
  String mName;
  String mTargetName; // namedObjects key of the passenger or fire worked on
  Ogre::Entity *mCloneEntity = nullptr;
  Ogre::AnimationState *mCurrentAnimation = nullptr;
  Ogre::SceneNode *mCloneNode = nullptr;
  Ogre::Vector3 mSize = Ogre::Vector3::ZERO; // mesh units

  // Search state, kept between searches so that a search allocates nothing
  // once the containers have grown to the level's needs.
  // The open list: a binary heap, cheapest on top, of the nodes' order
  // keys, which sift faster than whole nodes; the nodes wait in slots, and
  // a popped node's slot takes the next pushed one.
  struct OpenEntry {
    double f;
    double g;
    std::uint32_t slot; // in mOpenNodes
  };
  std::vector<OpenEntry> mOpenList;
  std::vector<AINode> mOpenNodes;
  std::vector<std::uint32_t> mFreeOpenSlots;
  SearchRecord mSearchRecord; // expanded nodes in expansion order
  Path mPath;
  AINode mCurrentWaypoint;
  SpatialHash mExpanded; // end points of the record, for the visited test
  // The search under way: its start, straight distance and cost ceiling,
  // and its own step length (a tick resets the NPC's to 10).
  bool mSearchPending = false;
  AINode mSearchStart;
  Ogre::Vector3 mSearchDestination = Ogre::Vector3::ZERO; // a follower's may move on meanwhile
  double mSearchStraightDistance = 0;
  double mSearchStepLength = 0;
  SearchTests mSearchTests = SearchTests::Grids;
  // levelBarriers() as looked up for the expansion under way, while
  // mSearchBarriersLookedUp.
  LevelBarriers *mSearchBarriers = nullptr;
  bool mSearchBarriersLookedUp = false;
  // Barriers looked up around the node being expanded, valid while the
  // node's end point, path length and the step length stay the same.
  bool mGridOpen = false;
  bool mGridRayCast[GRID_DIRECTION_COUNT] = {};
  Real mGridBarrier[GRID_DIRECTION_COUNT] = {}; // level units along the unit grid direction
  Ogre::Vector3 mGridOrigin = Ogre::Vector3::ZERO;
  double mGridParentG = -1;
  double mGridStepLength = -1;
  // The grid directions normalised as AINode normalises them, so that an
  // end point made from them has the very bits of the node's own, and their
  // lengths (1 or sqrt(2)) as Vector3::length gives them.
  Ogre::Vector3 mUnitGridDirections[GRID_DIRECTION_COUNT];
  Real mGridDirectionLengths[GRID_DIRECTION_COUNT] = {};
  // What the rays from the node being expanded can meet.
  LevelBarriers::Neighbourhood mNeighbourhood;
  // The ray query's masks, as looked up for the expansion under way.
  std::uint32_t mSearchQueryMask = 0;
  std::uint32_t mSearchQueryTypeMask = 0;

  ApplicationObject *mFollowTarget = nullptr; // not owned
  Ogre::RaySceneQuery *mRayQuery = nullptr;   // owned; destroyed through the scene manager
  Ogre::Vector3 mDestination = Ogre::Vector3::ZERO;
  Ogre::Vector3 mLastFacing = Ogre::Vector3::ZERO;
  bool mMoving = false;
  bool mFollowing = false;
  bool mWorking = false;
  double mStepLength = 0; // grid step, level units; 10 at the start of every tick
  double mWorkTimer = 0;  // seconds since the work began or since the last extinguishing step
  int mPathFailures = 0;  // consecutive searches without a path
  std::uint64_t mRayQueryCount = 0;
  std::uint64_t mGridTestCount = 0;
};

// Told of each piece of crew work done on this station, by local time:
// (crew member's name, "crew treated" | "crew extinguish" | "crew fire out",
// target's name).
using CrewWorkListener = void (*)(const String &crew, const char *work, const String &target);
void setCrewWorkListener(CrewWorkListener listener);

} // namespace OgreRefApp
