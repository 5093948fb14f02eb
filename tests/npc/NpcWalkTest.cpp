// Passengers walking through the ship and following a chief, frame by frame
// as the frame loop drives them, with the world's collision and dynamics.

#include <set>
#include <string>

#include <gtest/gtest.h>

#include <OgreAnimationState.h>

#include "refapp/OgreRefAppCharacter.h"
#include "refapp/OgreRefAppNPC.h"
#include "refapp/OgreRefAppWorld.h"
#include "tests/support/NpcTestSupport.h"
#include "tests/support/RefAppTestScene.h"

namespace sw::test {
namespace {

using OgreRefApp::NPC;

class NpcWalkTest : public NpcSceneTest {
protected:
  NPC &passenger(const Ogre::Vector3 &position) { return standingPassenger(position, true); }

  // One frame as the frame loop runs it: the world step, the NPC ticks, then
  // the scene graph update of rendering.
  void runFrame(NPC &npc) {
    world().simulationStep(static_cast<Ogre::Real>(FRAME_SECONDS));
    npc.tick(frameOf(FRAME_SECONDS), FRAME_STEP);
    updateScene();
  }
};

TEST_F(NpcWalkTest, PassengerWalksFromTheLoungeToTheMessRoomThroughDoorwaysAndStopsIdle) {
  // The lounge and the mess room share a bulkhead without an opening: the
  // way leads through doorways only.
  NPC &npc = passenger(Ogre::Vector3(-500, 260, 2));
  const Ogre::Vector3 destination(-450, 0, 0);
  npc.moveToDest(destination);
  std::set<std::string> doorwaysPassed;
  int frame = 0;
  for (; frame < 3000 && npc.isMoving(); ++frame) {
    runFrame(npc);
    const Ogre::Vector3 p = npc.getPosition();
    const LevelBrush *wall = wallAt(p);
    ASSERT_EQ(nullptr, wall) << "frame " << frame << " at " << p << " inside " << wall->name;
    if (const LevelBrush *doorway = doorwayAt(p))
      doorwaysPassed.insert(doorway->name);
  }
  EXPECT_FALSE(doorwaysPassed.empty());
  EXPECT_FALSE(npc.isMoving()) << "still walking after " << frame << " frames";
  const Ogre::Vector3 p = npc.getPosition();
  EXPECT_LT(Ogre::Vector3(p.x, p.y, 0).distance(destination), 10);
  EXPECT_EQ("Idle", npc.getCurrentAnimation()->getAnimationName());
}

class NpcFollowTest : public NpcWalkTest {
protected:
  // Runs frames until the follower has arrived at its follow point, plus the
  // frame in which it turns to its target (or gives up counting).
  int runUntilWaiting(NPC &npc, int maxFrames) {
    int frame = 0;
    do {
      runFrame(npc);
      ++frame;
    } while (frame < maxFrames && npc.isMoving());
    runFrame(npc);
    return frame;
  }

  static void expectWaitingBehind(const NPC &npc, const Ogre::Vector3 &target) {
    const Ogre::Vector3 p = npc.getPosition();
    const Ogre::Vector3 followPoint(target.x - 30, target.y, 0);
    EXPECT_LT(Ogre::Vector3(p.x, p.y, 0).distance(followPoint), 10);
    const Ogre::Vector3 towardsTarget = Ogre::Vector3(target.x - p.x, target.y - p.y, 0).normalisedCopy();
    EXPECT_GT(facingOf(npc).dotProduct(towardsTarget), 0.95f) << facingOf(npc) << " vs " << towardsTarget;
    EXPECT_EQ("Idle", npc.getCurrentAnimation()->getAnimationName());
    EXPECT_TRUE(npc.isFollowing());
  }
};

TEST_F(NpcFollowTest, FollowerKeepsThirtyUnitsOnTheMinusXSideOfAMovingTargetAndFacesIt) {
  OgreRefApp::Character &chief = placeChief(0, Ogre::Vector3(-300, -200, 0));
  NPC &npc = passenger(Ogre::Vector3(-420, -200, 2));
  OgreRefApp::ApplicationObject *target = &chief;
  npc.startFollowObject(target);
  EXPECT_EQ("Walk", npc.getCurrentAnimation()->getAnimationName());
  for (int frame = 0; frame < 160; ++frame) {
    chief.setPosition(-300, -200 + 0.5f * frame, 0);
    runFrame(npc);
  }
  const int frames = runUntilWaiting(npc, 1000);
  EXPECT_LT(frames, 1000);
  expectWaitingBehind(npc, chief.getPosition());

  // Waiting keeps the idle animation running instead of restarting it.
  npc.getCurrentAnimation()->addTime(0.2f);
  runFrame(npc);
  EXPECT_GT(npc.getCurrentAnimation()->getTimePosition(), 0);

  // The target walks off by more than 10 units: the follower walks again.
  chief.setPosition(chief.getPosition() + Ogre::Vector3(0, 40, 0));
  runFrame(npc);
  EXPECT_TRUE(npc.isMoving());
  EXPECT_EQ("Walk", npc.getCurrentAnimation()->getAnimationName());
  runUntilWaiting(npc, 1000);
  expectWaitingBehind(npc, chief.getPosition());
}

TEST_F(NpcFollowTest, FollowerArrivingFromTheTargetsSideStillFacesTheTarget) {
  OgreRefApp::Character &chief = placeChief(0, Ogre::Vector3(-300, -120, 0));
  NPC &npc = passenger(Ogre::Vector3(-220, -120, 2));
  OgreRefApp::ApplicationObject *target = &chief;
  npc.startFollowObject(target);
  runUntilWaiting(npc, 1000);
  expectWaitingBehind(npc, chief.getPosition());
}

TEST_F(NpcFollowTest, StopFollowObjectLeavesThePassengerStanding) {
  OgreRefApp::Character &chief = placeChief(0, Ogre::Vector3(-300, -50, 0));
  NPC &npc = passenger(Ogre::Vector3(-420, -50, 2));
  OgreRefApp::ApplicationObject *target = &chief;
  npc.startFollowObject(target);
  for (int frame = 0; frame < 20; ++frame)
    runFrame(npc);
  npc.stopFollowObject();
  EXPECT_FALSE(npc.isFollowing());
  EXPECT_EQ(nullptr, npc.getFollowTarget());
  EXPECT_TRUE(npc.getPath().empty());
  EXPECT_EQ("Idle", npc.getCurrentAnimation()->getAnimationName());

  const Ogre::Vector3 stopped = npc.getPosition();
  chief.setPosition(-200, 0, 0);
  for (int frame = 0; frame < 60; ++frame)
    runFrame(npc);
  const Ogre::Vector3 p = npc.getPosition();
  EXPECT_NEAR(stopped.x, p.x, 0.5);
  EXPECT_NEAR(stopped.y, p.y, 0.5);
  EXPECT_EQ("Idle", npc.getCurrentAnimation()->getAnimationName());
}

} // namespace
} // namespace sw::test
