// The grid search in the real level: its record and path in open deck, walls
// that bar moves, objects that bar them only beyond the first step, the step
// growth and the give-up, and the straight walk after failed searches.

#include <gtest/gtest.h>

#include <OgreAnimationState.h>
#include <OgreEntity.h>
#include <OgreStringConverter.h>

#include "refapp/OgreRefAppCollideCamera.h"
#include "refapp/OgreRefAppNPC.h"
#include "refapp/OgreRefAppWorld.h"
#include "tests/support/NpcTestSupport.h"
#include "tests/support/RefAppTestScene.h"

namespace sw::test {
namespace {

using OgreRefApp::AINode;
using OgreRefApp::NPC;

const Ogre::Vector3 ALONG_X(1, 0, 0);
// Grid direction indices.
constexpr int PLUS_X = 0;
constexpr int PLUS_Y = 2;
constexpr int MINUS_Y = 6;

class PathSearchTest : public NpcSceneTest {
protected:
  // A standing passenger that does not fall or get pushed while searching.
  NPC &searcher(const Ogre::Vector3 &position) { return standingPassenger(position, false); }

  // The figure's box crosses the plane z = 0 in which the search casts its rays.
  static bool straddlesTheSearchHeight(const NPC &npc) {
    const Ogre::AxisAlignedBox &box = npc.getEntity()->getWorldBoundingBox(true);
    return box.getMinimum().z < 0 && box.getMaximum().z > 0;
  }

  AINode startAt(const NPC &npc) { return AINode(Ogre::Vector3::ZERO, npc.getPosition(), 10, -1); }
};

TEST_F(PathSearchTest, OpenDeckSearchRecordsTheStartAndTenMovesAlongX) {
  NPC &npc = searcher(Ogre::Vector3(-330, -250, 2));
  npc.moveToDest(Ogre::Vector3(-230, -250, 0));
  npc.setStepLength(10);
  ASSERT_TRUE(npc.pathfind(startAt(npc)));

  const NPC::SearchRecord &record = npc.getSearchRecord();
  ASSERT_EQ(11u, record.size());
  EXPECT_EQ(Ogre::Vector3(-330, -250, 0), record[0].endPoint);
  EXPECT_EQ(-1, record[0].id);
  for (int i = 1; i <= 10; ++i) {
    EXPECT_EQ(ALONG_X, record[i].direction) << i;
    EXPECT_EQ(4, record[i].id) << i; // the way back is -X
    EXPECT_TRUE(Ogre::Vector3(-330 + 10 * i, -250, 0).positionEquals(record[i].endPoint, 1e-3f)) << i;
    EXPECT_DOUBLE_EQ(10.0 * i, record[i].g) << i;
  }
}

TEST_F(PathSearchTest, OpenDeckPathHoldsTheGoalTwiceAndDropsTheFirstMove) {
  NPC &npc = searcher(Ogre::Vector3(-330, -250, 2));
  npc.moveToDest(Ogre::Vector3(-230, -250, 0));
  npc.setStepLength(10);
  ASSERT_TRUE(npc.pathfind(startAt(npc)));
  npc.resolvePath(10); // one sub-waypoint per move

  // The stack from the bottom, with the current waypoint (just taken) on top.
  std::vector<AINode> stack = npc.getPath();
  stack.push_back(npc.getCurrentWaypoint());
  std::vector<float> moveEnds;
  for (const AINode &waypoint : stack) {
    EXPECT_EQ(ALONG_X, waypoint.direction);
    if (waypoint.id != -1)
      moveEnds.push_back(waypoint.endPoint.x);
  }
  const std::vector<float> expected = {-230, -230, -240, -250, -260, -270, -280, -290, -300, -310};
  EXPECT_EQ(expected, moveEnds);
  EXPECT_EQ(20u, stack.size());
  EXPECT_EQ(-1, npc.getCurrentWaypoint().id); // a sub-waypoint of the second move
}

TEST_F(PathSearchTest, AddToPathPushesTheMoveAndItsSubWaypoints) {
  NPC &npc = searcher(Ogre::Vector3(-330, -200, 2));
  npc.setStepLength(10);
  const AINode move(Ogre::Vector3(0, 1, 0), Ogre::Vector3(-330, -200, 0), 10, 6);
  npc.stopFollowObject(); // empties the path
  npc.addToPath(move, 3);
  const NPC::Path &path = npc.getPath();
  ASSERT_EQ(4u, path.size());
  EXPECT_EQ(6, path[0].id);
  for (std::size_t i = 1; i < path.size(); ++i) {
    EXPECT_EQ(-1, path[i].id);
    EXPECT_EQ(Ogre::Vector3(0, 1, 0), path[i].direction);
    EXPECT_DOUBLE_EQ(3.0, path[i].length);
  }
  EXPECT_TRUE(Ogre::Vector3(-330, -190, 0).positionEquals(path[1].position, 1e-4f));
  EXPECT_TRUE(Ogre::Vector3(-330, -196, 0).positionEquals(path[3].position, 1e-4f));

  // A frame that walks no distance queues the move alone.
  npc.stopFollowObject();
  npc.addToPath(move, 0);
  EXPECT_EQ(1u, npc.getPath().size());
}

TEST_F(PathSearchTest, DestinationWithinReachIsFoundAtTheStartAndReachedWithoutMoving) {
  NPC &npc = searcher(Ogre::Vector3(-330, -150, 2));
  npc.moveToDest(Ogre::Vector3(-325, -150, 0));
  npc.setStepLength(10);
  ASSERT_TRUE(npc.pathfind(startAt(npc)));
  EXPECT_EQ(1u, npc.getSearchRecord().size());

  npc.tick(frameOf(0.02), 2);
  EXPECT_EQ(Ogre::Vector3(-330, -150, 2), npc.getPosition());
  EXPECT_FALSE(npc.isMoving());
  EXPECT_EQ("Idle", npc.getCurrentAnimation()->getAnimationName());
}

TEST_F(PathSearchTest, WallEightUnitsAheadBarsTheMoveButNotTheMoveAway) {
  NPC &npc = searcher(Ogre::Vector3(-100, -200, 2));
  npc.setStepLength(10);
  // The mess room's aft bulkhead has its face at y = -340.
  AINode parent(Ogre::Vector3(0, -1, 0), Ogre::Vector3(-100, -322, 0), 10, 2);
  parent.g = 0;
  EXPECT_TRUE(npc.isMoveBlocked(parent, MINUS_Y));
  EXPECT_FALSE(npc.isMoveBlocked(parent, PLUS_Y));
}

TEST_F(PathSearchTest, WallBesideBarsTheMoveOnlyWithinHalfTheFigureWidth) {
  NPC &npc = searcher(Ogre::Vector3(-100, -200, 2));
  npc.setStepLength(10);
  const float halfWidth = npc.getSize().x * 0.5f;
  for (float clearance : {halfWidth - 3, halfWidth + 3}) {
    AINode parent(Ogre::Vector3::ZERO, Ogre::Vector3(-100, -340 + clearance, 0), 10, -1);
    EXPECT_EQ(clearance < halfWidth, npc.isMoveBlocked(parent, PLUS_X)) << clearance;
  }
}

TEST_F(PathSearchTest, ObjectsBarMovesOnlyBeyondTheFirstStep) {
  NPC &npc = searcher(Ogre::Vector3(-600, -250, 2));
  NPC &other = searcher(Ogre::Vector3(-570, -150, 2));
  updateScene();
  ASSERT_TRUE(straddlesTheSearchHeight(other));
  npc.setStepLength(10);
  AINode parent(Ogre::Vector3::ZERO, Ogre::Vector3(-570, -165, 0), 10, -1);
  parent.g = 10;
  EXPECT_FALSE(npc.isMoveBlocked(parent, PLUS_Y));
  parent.g = 20;
  EXPECT_TRUE(npc.isMoveBlocked(parent, PLUS_Y));
}

TEST_F(PathSearchTest, OwnFigureAndThePlayerCameraNeverBarAMove) {
  NPC &npc = searcher(Ogre::Vector3(-600, -50, 2));
  ASSERT_TRUE(straddlesTheSearchHeight(npc));
  OgreRefApp::CollideCamera *camera = world().createCamera("PlayerCam", Ogre::Vector3(-600, -85, 10));
  updateScene();
  npc.setStepLength(10);
  AINode parent(Ogre::Vector3::ZERO, Ogre::Vector3(-600, -70, 0), 10, -1);
  parent.g = 40;
  EXPECT_FALSE(npc.isMoveBlocked(parent, PLUS_Y));  // towards its own figure
  EXPECT_FALSE(npc.isMoveBlocked(parent, MINUS_Y)); // towards the camera
  camera->setPosition(0, 0, -1000);
}

TEST_F(PathSearchTest, LongDetourGrowsTheStepUntilItExceedsTheStraightDistance) {
  // Behind the lounge's aft bulkhead: 40 units straight, far more round by the door.
  NPC &npc = searcher(Ogre::Vector3(-600, 180, 0));
  npc.moveToDest(Ogre::Vector3(-600, 140, 0));
  npc.setStepLength(10);
  const std::uint64_t testsBefore = npc.getGridTestCount();
  EXPECT_FALSE(npc.pathfind(startAt(npc)));
  // 10, 15, 22.5, 33.75, then 50.625 exceeds 40.
  EXPECT_DOUBLE_EQ(50.625, npc.getStepLength());
  EXPECT_GT(npc.getGridTestCount(), testsBefore);
}

TEST_F(PathSearchTest, ExpandedMovesNeverEndWithinAStepOfEachOther) {
  NPC &npc = searcher(Ogre::Vector3(-500, 260, 2));
  npc.moveToDest(Ogre::Vector3(-450, 0, 0));
  npc.setStepLength(10);
  ASSERT_TRUE(npc.pathfind(startAt(npc)));
  const NPC::SearchRecord &record = npc.getSearchRecord();
  EXPECT_GT(record.size(), 20u);
  for (std::size_t i = 0; i < record.size(); ++i)
    for (std::size_t j = i + 1; j < record.size(); ++j)
      ASSERT_GE(record[i].endPoint.distance(record[j].endPoint), record[i].length - 1e-3) << i << " " << j;
  EXPECT_TRUE(record.back().endPoint.squaredDistance(Ogre::Vector3(-450, 0, 0)) < 100);
}

TEST_F(PathSearchTest, RepeatedSearchReusesItsContainers) {
  NPC &npc = searcher(Ogre::Vector3(-500, 260, 2));
  npc.moveToDest(Ogre::Vector3(-450, 0, 0));
  npc.setStepLength(10);
  ASSERT_TRUE(npc.pathfind(startAt(npc)));
  const AINode *recordStorage = npc.getSearchRecord().data();
  const std::size_t recordSize = npc.getSearchRecord().size();
  ASSERT_TRUE(npc.pathfind(startAt(npc)));
  EXPECT_EQ(recordStorage, npc.getSearchRecord().data());
  EXPECT_EQ(recordSize, npc.getSearchRecord().size());
}

// In the 20-unit slot between the hull and the galley counter no grid move
// keeps half a figure's width from the walls, so every search fails at once;
// the destination lies straight along the slot, beyond the lounge bulkhead.
class FailingSearchTest : public PathSearchTest {
protected:
  const Ogre::Vector3 corner{-792, -50, 2};
  const Ogre::Vector3 beyondHull{-792, 400, 0};
};

TEST_F(FailingSearchTest, WalkerWalksStraightAndGivesUpAtTheFifthFailure) {
  NPC &npc = searcher(corner);
  npc.moveToDest(beyondHull);
  const std::string notFound = "Path not found to :" + Ogre::StringConverter::toString(beyondHull);
  const int loggedBefore = npcLogLinesEqualTo(notFound);
  const Ogre::Vector3 heading = (beyondHull - Ogre::Vector3(corner.x, corner.y, 0)).normalisedCopy();
  const Ogre::Real step = 2;
  // 1 + floor(10 / 2) frames per failed search; the fifth fails in frame 25.
  for (int frame = 1; frame <= 25; ++frame) {
    const Ogre::Vector3 before = npc.getPosition();
    npc.tick(frameOf(0.02), step);
    EXPECT_TRUE((before + heading * step).positionEquals(npc.getPosition(), 1e-3f)) << frame;
    EXPECT_EQ(1 + (frame - 1) / 6, npc.getPathFailures()) << frame;
    EXPECT_EQ(frame < 25, npc.isMoving()) << frame;
  }
  EXPECT_EQ("Idle", npc.getCurrentAnimation()->getAnimationName());
  EXPECT_EQ(loggedBefore + 5, npcLogLinesEqualTo(notFound));

  const Ogre::Vector3 stopped = npc.getPosition();
  npc.tick(frameOf(0.02), step);
  EXPECT_EQ(stopped, npc.getPosition());
}

TEST_F(FailingSearchTest, FollowerKeepsTryingAfterFiveFailures) {
  NPC &npc = searcher(corner);
  NPC &target = searcher(beyondHull + Ogre::Vector3(30, 0, 0));
  OgreRefApp::ApplicationObject *followed = &target;
  npc.startFollowObject(followed);
  // 21 frames per failed search at a step of 0.5.
  for (int frame = 0; frame < 130; ++frame)
    npc.tick(frameOf(0.02), 0.5f);
  EXPECT_GT(npc.getPathFailures(), 5);
  EXPECT_TRUE(npc.isMoving());
  EXPECT_EQ("Walk", npc.getCurrentAnimation()->getAnimationName());
}

} // namespace
} // namespace sw::test
