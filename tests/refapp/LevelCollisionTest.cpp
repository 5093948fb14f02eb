// The collision pass against the generated ship: the BSP scene manager's
// intersection query pairs movables with each other and with level brushes.

#include "refapp/OgreRefAppBall.h"
#include "refapp/OgreRefAppCollideCamera.h"
#include "refapp/OgreRefAppFire.h"
#include "tests/level/ShipPositions.h"
#include "tests/support/WorldTestFixture.h"

namespace sw::test {
namespace {

class LevelCollision : public WorldTest {
protected:
  void SetUp() override {
    WorldTest::SetUp();
    if (!refAppScene().levelLoaded)
      FAIL() << "the stage has no \"ogretestmap.bsp\": build the level_media target";
  }

  ProbeObject &visibleProbe(const Ogre::Vector3 &at, Ogre::Real radius) {
    ProbeObject::Options options;
    options.radius = radius;
    options.withEntity = true;
    return makeProbe(at, options);
  }
};

// Open deck beside the first passengers.
const Ogre::Vector3 OPEN_DECK(-500, 260, 0);

TEST_F(LevelCollision, ObjectOnTheDeckTouchesTheDecksTopPlane) {
  // The deck's walking surface is at z = -0.5; the sphere reaches 0.3 into it.
  ProbeObject &probe = visibleProbe(OPEN_DECK + Ogre::Vector3(0, 0, 9.2f), 10);
  renderOneFrame();
  world->_applyCollision();
  dJointGroupEmpty(world->getOdeContactJointGroup());
  bool deckTop = false;
  for (const auto &n : probe.notifications) {
    if (!n.fragment)
      continue;
    EXPECT_EQ(n.fragment->fragmentType, Ogre::SceneQuery::WFT_PLANE_BOUNDED_REGION);
    if (n.info.normal.positionEquals(Ogre::Vector3::UNIT_Z, 1e-4f)) {
      deckTop = true;
      EXPECT_NEAR(n.info.penetrationDepth, 0.3, 1e-4);
    }
  }
  EXPECT_TRUE(deckTop);
}

// The hatch cover in the mess room: x 60..160, y -300..-220, top at z = 8,
// 8.5 above the deck surface; the vent housing beside it stands 24.5 high.
constexpr Ogre::Real DECK_TOP = -0.5f;
constexpr Ogre::Real FEET_TO_POINT = 15;

OgreRefApp::CollideCamera *chiefCamera(OgreRefApp::World &world, const Ogre::Vector3 &feet) {
  auto *camera = world.createCamera(uniqueName("PlayerCamLevel"), feet + Ogre::Vector3(0, 0, FEET_TO_POINT));
  camera->setNearClipDistance(10);
  camera->createCollisionProxy();
  camera->setCollisionEnabled(true);
  camera->setDynamicsEnabled(true, true);
  return camera;
}

TEST_F(LevelCollision, ChiefCameraClimbsTheHatchCover) {
  auto *camera = chiefCamera(*world, Ogre::Vector3(50, -260, DECK_TOP));
  renderOneFrame();
  world->_applyCollision();
  dJointGroupEmpty(world->getOdeContactJointGroup());
  // Feet 8.5 below the cover's top: lifted by 8.5 + 2.
  EXPECT_NEAR(camera->getPosition().z, DECK_TOP + FEET_TO_POINT + 10.5f, 1e-3);
  EXPECT_NEAR(camera->getPosition().x, 50, 1e-3);
}

TEST_F(LevelCollision, ChiefCameraIsHeldBackByTheVentHousing) {
  auto *camera = chiefCamera(*world, Ogre::Vector3(50, -70, DECK_TOP));
  renderOneFrame();
  world->_applyCollision();
  dJointGroupEmpty(world->getOdeContactJointGroup());
  EXPECT_NEAR(camera->getPosition().z, DECK_TOP + FEET_TO_POINT, 1e-3);
  EXPECT_LT(camera->getPosition().x, 50);
}

TEST_F(LevelCollision, BallIsStoppedByABulkhead) {
  // Rolling from the mess room towards the lounge's closed bulkhead (y 150..170).
  auto *ball = world->createBall(uniqueName("ball"), 10, Ogre::Vector3(-500, 100, 9.5f));
  ball->setDynamicsEnabled(true);
  ball->setLinearVelocity(0, 200, 0);
  for (int frame = 0; frame < 90; ++frame) {
    renderOneFrame();
    world->simulationStep(1.0f / 60);
  }
  EXPECT_LT(ball->getPosition().y, 150);
  EXPECT_GT(ball->getPosition().z, 0);
}

TEST_F(LevelCollision, BurningFireOnTheDeckNeverMoves) {
  RecordedAssertions recorded;
  // The first fire of the scene, its hidden box standing in the deck.
  const std::array<double, 3> &first = shiptest::fires()[0].at;
  const Ogre::Vector3 at{Ogre::Real(first[0]), Ogre::Real(first[1]), Ogre::Real(first[2])};
  auto *fire = world->createFire(uniqueName("fireparticle"), "Examples/Smoke", 0.5, at);
  auto *ball = world->createBall(uniqueName("ball"), 10, at + Ogre::Vector3(0, 0, 150));
  ball->setDynamicsEnabled(true);
  for (int frame = 0; frame < 60; ++frame) {
    renderOneFrame();
    world->simulationStep(1.0f / 60);
  }
  EXPECT_EQ(fire->getPosition(), at);
  EXPECT_FALSE(fire->isDynamicsEnabled());
  EXPECT_TRUE(RecordedAssertions::failures.empty());
  // The ball came down onto the fire's box, not through it.
  EXPECT_GT(ball->getPosition().z, 20);
}

} // namespace
} // namespace sw::test
