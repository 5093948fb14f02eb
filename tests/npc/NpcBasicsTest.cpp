// The NPC's own small rules: arrival distance, clone heights, orders that
// keep or drop the path, and the push-outs of its collisions.

#include <gtest/gtest.h>

#include <OgreSceneNode.h>

#include "refapp/OgreRefAppNPC.h"
#include "refapp/OgreRefAppWorld.h"
#include "tests/support/NpcTestSupport.h"
#include "tests/support/RefAppTestScene.h"

namespace sw::test {
namespace {

using OgreRefApp::AINode;
using OgreRefApp::NPC;

// Opens the collision notifications to the tests.
class TouchableNPC : public NPC {
public:
  using NPC::_notifyCollided;
  using NPC::NPC;
};

class NpcBasicsTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(refAppScene().levelLoaded); }

  // A figure outside the world's map, removed with the test.
  std::unique_ptr<TouchableNPC> standalone(const Ogre::Vector3 &position) {
    auto npc = std::make_unique<TouchableNPC>(uniqueName("passenger_standalone"), "passenger1.mesh");
    npc->setPosition(position);
    npc->setDynamicsEnabled(false, true);
    npc->setState("Idle");
    return npc;
  }

  // Gives the NPC a queued way along direction and takes its first waypoint.
  static void headTowards(NPC &npc, const Ogre::Vector3 &direction) {
    npc.moveToDest(npc.getPosition() + direction * 200);
    npc.setStepLength(10);
    npc.addToPath(AINode(direction, npc.getPosition(), 10, -1), 2);
    npc.tick(frameOf(0.02), 0.001f);
  }
};

TEST_F(NpcBasicsTest, ArrivalNeedsToBeCloserThanTenUnitsWhateverTheHeight) {
  auto npc = standalone(Ogre::Vector3(-700, -650, 40));
  npc->moveToDest(Ogre::Vector3(-690, -650, 0));
  EXPECT_FALSE(npc->hasReachedDest());
  npc->moveToDest(Ogre::Vector3(-690.01f, -650, 300));
  EXPECT_TRUE(npc->hasReachedDest());
  EXPECT_EQ(0, npc->getDestination().z);
}

TEST_F(NpcBasicsTest, DeadPosesLowerTheCloneToTheNodeAndOthersRaiseIt) {
  auto npc = standalone(Ogre::Vector3(-700, -650, 40));
  const Ogre::Real standing = npc->getSize().z + 12;
  npc->setState("DeadBack");
  EXPECT_EQ(Ogre::Vector3::ZERO, npc->getCloneNode()->getPosition());
  npc->setState("Medkit_Crouch_Shoot1");
  EXPECT_EQ(Ogre::Vector3(0, standing, 0), npc->getCloneNode()->getPosition());
  npc->setState("DeadSitting");
  EXPECT_EQ(Ogre::Vector3::ZERO, npc->getCloneNode()->getPosition());
  npc->setState("Walk");
  EXPECT_EQ(Ogre::Vector3(0, standing, 0), npc->getCloneNode()->getPosition());
}

TEST_F(NpcBasicsTest, NewDestinationKeepsTheQueuedWaypoints) {
  auto npc = standalone(Ogre::Vector3(-700, -650, 2));
  headTowards(*npc, Ogre::Vector3(1, 0, 0));
  const std::size_t queued = npc->getPath().size();
  ASSERT_GT(queued, 0u);
  npc->moveToDest(Ogre::Vector3(-700, -500, 0));
  EXPECT_EQ(queued, npc->getPath().size());
  EXPECT_TRUE(npc->isMoving());
  EXPECT_FALSE(npc->isFollowing());
  EXPECT_EQ("Walk", npc->getCurrentAnimationName());
}

TEST_F(NpcBasicsTest, TouchingAnObjectPushesOutHorizontallyAndDropsThePath) {
  auto npc = standalone(Ogre::Vector3(-700, -650, 2));
  headTowards(*npc, Ogre::Vector3(1, 0, 0));
  const Ogre::Vector3 before = npc->getPosition();
  NPC::CollisionInfo info;
  info.normal = Ogre::Vector3(0, 0.6f, 0.8f);
  info.penetrationDepth = 0.5;
  npc->_notifyCollided(static_cast<OgreRefApp::ApplicationObject *>(nullptr), info);
  EXPECT_TRUE((before + Ogre::Vector3(0, 0.3f, 0)).positionEquals(npc->getPosition(), 1e-4f));
  EXPECT_TRUE(npc->getPath().empty());
  EXPECT_TRUE(dBodyIsEnabled(npc->getOdeBody()));
}

TEST_F(NpcBasicsTest, OnlyAWallCloseAheadPushesBackSidewaysAndDropsThePath) {
  // A slanted contact (an edge, or the deck's with its upward part): the
  // walker keeps to the deck.
  NPC::CollisionInfo info;
  info.normal = Ogre::Vector3(0, 0.6f, 0.8f);
  info.penetrationDepth = 0.5;

  // 4 units north of the mess room's aft bulkhead (face at y = -340), walking into it.
  auto nearWall = standalone(Ogre::Vector3(-100, -336, 2));
  headTowards(*nearWall, Ogre::Vector3(0, -1, 0));
  const Ogre::Vector3 before = nearWall->getPosition();
  nearWall->_notifyCollided(static_cast<Ogre::SceneQuery::WorldFragment *>(nullptr), info);
  EXPECT_TRUE((before + Ogre::Vector3(0, 0.3f, 0)).positionEquals(nearWall->getPosition(), 1e-4f));
  EXPECT_TRUE(nearWall->getPath().empty());
  EXPECT_FALSE(dBodyIsEnabled(nearWall->getOdeBody())); // dormant until touched

  // The same contact in open deck: only the rest.
  auto inTheOpen = standalone(Ogre::Vector3(-100, -250, 2));
  headTowards(*inTheOpen, Ogre::Vector3(0, -1, 0));
  const Ogre::Vector3 open = inTheOpen->getPosition();
  const std::size_t queued = inTheOpen->getPath().size();
  inTheOpen->_notifyCollided(static_cast<Ogre::SceneQuery::WorldFragment *>(nullptr), info);
  EXPECT_EQ(open, inTheOpen->getPosition());
  EXPECT_EQ(queued, inTheOpen->getPath().size());
}

} // namespace
} // namespace sw::test
