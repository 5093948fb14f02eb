// Searches that do not fit in one frame's node budget, and the orders that
// start a walker afresh: frame by frame as the frame loop drives walkers.

#include <gtest/gtest.h>

#include <OgreAnimationState.h>
#include <OgreStringConverter.h>

#include "refapp/OgreRefAppCharacter.h"
#include "refapp/OgreRefAppNPC.h"
#include "refapp/OgreRefAppWorld.h"
#include "tests/support/NpcTestSupport.h"
#include "tests/support/RefAppTestScene.h"

namespace sw::test {
namespace {

using OgreRefApp::AINode;
using OgreRefApp::NPC;

class SearchBudgetTest : public NpcSceneTest {
protected:
  NPC &passenger(const Ogre::Vector3 &position) { return standingPassenger(position, false); }

  // One frame's tick, then the scene update that starts the next frame.
  void runFrame(NPC &npc, Ogre::Real step = FRAME_STEP) {
    npc.tick(frameOf(FRAME_SECONDS), step);
    updateScene();
  }
};

TEST_F(SearchBudgetTest, SearchLongerThanAFrameGoesOnNextFrameWhileTheWalkerWaits) {
  // The lounge to the medic's start: 1838 nodes, more than one frame's budget.
  const Ogre::Vector3 from(-500, 260, 2), to(-570, -75, 0);
  NPC &npc = passenger(from);
  npc.moveToDest(to);
  npc.setStepLength(10);
  ASSERT_TRUE(npc.pathfind(AINode(Ogre::Vector3::ZERO, npc.getPosition(), 10, -1)));
  const std::size_t recordSize = npc.getSearchRecord().size();
  ASSERT_GT(recordSize, NPC::FRAME_SEARCH_NODES);
  npc.resolvePath(FRAME_STEP);
  std::vector<AINode> expected = npc.getPath();
  expected.push_back(npc.getCurrentWaypoint());

  npc.stopFollowObject(); // drops that path
  npc.moveToDest(to);
  // Each frame expands the frame's nodes, the walker standing where it is.
  const std::size_t frames = (recordSize + NPC::FRAME_SEARCH_NODES - 1) / NPC::FRAME_SEARCH_NODES;
  for (std::size_t frame = 1; frame < frames; ++frame) {
    runFrame(npc);
    ASSERT_TRUE(npc.isSearchPending()) << frame;
    EXPECT_TRUE(npc.isMoving());
    EXPECT_EQ(from, npc.getPosition());
    EXPECT_EQ("Walk", npc.getCurrentAnimationName());
  }

  runFrame(npc);
  EXPECT_FALSE(npc.isSearchPending());
  EXPECT_EQ(0, npc.getPathFailures());
  // The same waypoints as the search at once, the first one taken and walked.
  std::vector<AINode> walked = npc.getPath();
  walked.push_back(npc.getCurrentWaypoint());
  ASSERT_EQ(expected.size(), walked.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(expected[i].direction, walked[i].direction) << i;
    EXPECT_EQ(expected[i].endPoint, walked[i].endPoint) << i;
  }
  const Ogre::Vector3 heading = npc.getCurrentWaypoint().direction.normalisedCopy();
  EXPECT_TRUE((from + heading * FRAME_STEP).positionEquals(npc.getPosition(), 1e-3f));
}

TEST_F(SearchBudgetTest, UnreachablePointIsSearchedOverSeveralFramesThenWalkedAtStraight) {
  // Beyond the port hull.
  const Ogre::Vector3 from(-500, 260, 2), to(-500, 600, 0);
  NPC &npc = passenger(from);
  npc.moveToDest(to);
  int waited = 0;
  while (npc.getPathFailures() == 0 && waited < 1000) {
    runFrame(npc);
    if (npc.isSearchPending()) {
      ++waited;
      ASSERT_EQ(from, npc.getPosition()) << waited;
    }
  }
  // About 16,000 nodes, in frames of 600.
  EXPECT_GT(waited, 5);
  EXPECT_EQ(1, npc.getPathFailures());
  // The frame the search failed, the walker stepped straight at the point.
  EXPECT_TRUE((from + Ogre::Vector3(0, FRAME_STEP, 0)).positionEquals(npc.getPosition(), 1e-3f));
  EXPECT_TRUE(npc.isMoving());
}

TEST_F(SearchBudgetTest, NewOrderGivesTheWalkerFiveFreshTries) {
  // The slot between the hull and the galley counter, where every search fails.
  const Ogre::Vector3 corner(-792, -50, 2), beyondHull(-792, 400, 0);
  NPC &npc = passenger(corner);
  npc.moveToDest(beyondHull);
  const Ogre::Real step = 2; // 1 + floor(10 / 2) frames per failed search
  for (int frame = 0; frame < 18; ++frame)
    runFrame(npc, step);
  ASSERT_EQ(3, npc.getPathFailures());

  npc.moveToDest(beyondHull);
  EXPECT_EQ(0, npc.getPathFailures());
  for (int frame = 1; frame <= 25; ++frame) {
    runFrame(npc, step);
    ASSERT_EQ(frame < 25, npc.isMoving()) << frame;
  }
  EXPECT_EQ(5, npc.getPathFailures());
}

TEST_F(SearchBudgetTest, FollowerWalkingOnAfterWaitingFacesItsWay) {
  OgreRefApp::Character &chief = placeChief(0, Ogre::Vector3(-300, -100, 0));
  // Comes down along -Y to the follow point 30 units on the chief's -X side.
  NPC &npc = passenger(Ogre::Vector3(-330, 0, 2));
  OgreRefApp::ApplicationObject *target = &chief;
  npc.startFollowObject(target);
  int frames = 0;
  while ((npc.isMoving() || frames == 0) && frames < 500) {
    runFrame(npc);
    ++frames;
  }
  ASSERT_FALSE(npc.isMoving());
  runFrame(npc); // waiting: turns to the chief
  EXPECT_GT(facingOf(npc).dotProduct(Ogre::Vector3::UNIT_X), 0.95f) << facingOf(npc); // at the chief

  // The chief walks on along -Y; the follower walks on, its face to its way.
  chief.setPosition(-300, -160, 0);
  for (int frame = 0; frame < 5; ++frame) {
    runFrame(npc);
    ASSERT_TRUE(npc.isMoving());
    const Ogre::Vector3 way = npc.getCurrentWaypoint().direction.normalisedCopy();
    EXPECT_LT(way.dotProduct(Ogre::Vector3::UNIT_X), 0.9f); // not the way it faced while waiting
    EXPECT_GT(facingOf(npc).dotProduct(way), 0.99f) << facingOf(npc) << " walking " << way;
  }
}

} // namespace
} // namespace sw::test
