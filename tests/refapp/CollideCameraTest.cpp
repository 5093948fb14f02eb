#include <OgreSceneNode.h>

#include "refapp/OgreRefAppBall.h"
#include "refapp/OgreRefAppCollideCamera.h"
#include "tests/support/WorldTestFixture.h"

namespace sw::test {
namespace {

class CollideCameraTest : public WorldTest {
protected:
  // A camera standing with its feet at z = 5000 (its point 15 units higher).
  OgreRefApp::CollideCamera *standingCamera(Ogre::Real x = 0) {
    auto *camera = world->createCamera(uniqueName("PlayerCamTest"), Ogre::Vector3(x, 0, 5015));
    camera->createCollisionProxy();
    camera->setCollisionEnabled(true);
    camera->setDynamicsEnabled(true, true);
    return camera;
  }
};

// A step brush in front of the camera (+X side), from x = 0 on, with its top
// the given height above the feet.
void stepBrush(SyntheticFragment &brush, Ogre::Real height) {
  makeBoxBrush(brush, Ogre::Vector3(0, -100, 4900), Ogre::Vector3(200, 100, 5000 + height));
}

TEST_F(CollideCameraTest, SetUpHasACameraButNoCollisionYet) {
  const Ogre::String name = uniqueName("PlayerCamTest");
  auto *camera = world->createCamera(name, Ogre::Vector3(0, 25, 5000));
  ASSERT_NE(camera->getCamera(), nullptr);
  EXPECT_EQ(camera->getCamera()->getName(), name);
  EXPECT_EQ(OgreRefApp::ApplicationObject::fromMovable(camera->getCamera()), camera);
  EXPECT_FALSE(camera->isCollisionEnabled());
  EXPECT_TRUE(camera->getCollisionProxies().empty());
  ASSERT_NE(camera->getOdeBody(), nullptr);
  EXPECT_NEAR(camera->getOdeMass().mass, 0.1 * 4.0 / 3.0 * M_PI * 15 * 15 * 15, 1e-2);
  // The eye sits 10 units above the body's point.
  EXPECT_EQ(camera->getCamera()->getDerivedPosition(), Ogre::Vector3(0, 25, 5010));
}

TEST_F(CollideCameraTest, ProxyIsASphereOfFifteenAtTheBody) {
  auto *camera = standingCamera();
  ASSERT_EQ(camera->getCollisionProxies().size(), 1u);
  dGeomID sphere = camera->getCollisionProxies().front();
  EXPECT_EQ(dGeomSphereGetRadius(sphere), 15);
  EXPECT_FLOAT_EQ(static_cast<float>(dGeomGetPosition(sphere)[2]), 5015);
  camera->setNearClipDistance(10);
  camera->setFOVy(Ogre::Degree(60));
  EXPECT_EQ(dGeomSphereGetRadius(sphere), 15);
  EXPECT_FLOAT_EQ(camera->getNearClipDistance(), 10);
}

TEST_F(CollideCameraTest, ClimbsAStepOfEightByTen) {
  auto *camera = standingCamera(-10);
  SyntheticFragment step;
  stepBrush(step, 8);
  ASSERT_TRUE(camera->testCollide(&step.fragment));
  EXPECT_FLOAT_EQ(camera->getPosition().z, 5025);
  EXPECT_FLOAT_EQ(camera->getPosition().x, -10);
}

TEST_F(CollideCameraTest, StepOfTwelvePushesBackAlongTheNormal) {
  auto *camera = standingCamera(-10);
  SyntheticFragment step;
  stepBrush(step, 12);
  ASSERT_TRUE(camera->testCollide(&step.fragment));
  EXPECT_FLOAT_EQ(camera->getPosition().z, 5015);
  // The sphere reached 5 units into the step's face; deep contacts push 0.1.
  EXPECT_FLOAT_EQ(camera->getPosition().x, -10.1f);
}

TEST_F(CollideCameraTest, StraightUpNormalNeverLifts) {
  auto *camera = standingCamera();
  SyntheticFragment floor;
  makeBoxBrush(floor, Ogre::Vector3(-100, -100, 4900), Ogre::Vector3(100, 100, 5005));
  ASSERT_TRUE(camera->testCollide(&floor.fragment));
  EXPECT_EQ(camera->getPosition(), Ogre::Vector3(0, 0, 5015));
}

TEST_F(CollideCameraTest, FragmentWithoutTopOrBottomAlwaysPushesHorizontally) {
  auto *camera = standingCamera(-10);
  SyntheticFragment wall;
  wall.planes = {Ogre::Plane(Ogre::Vector3::NEGATIVE_UNIT_X, 0)};
  ASSERT_TRUE(camera->testCollide(&wall.fragment));
  EXPECT_FLOAT_EQ(camera->getPosition().x, -10.1f);
  EXPECT_FLOAT_EQ(camera->getPosition().z, 5015);
}

TEST_F(CollideCameraTest, DisabledCollisionIgnoresContactsAndClipChanges) {
  auto *camera = world->createCamera(uniqueName("PlayerCamTest"), Ogre::Vector3(-10, 0, 5015));
  camera->createCollisionProxy();
  SyntheticFragment step;
  stepBrush(step, 8);
  camera->testCollide(&step.fragment);
  EXPECT_EQ(camera->getPosition(), Ogre::Vector3(-10, 0, 5015));
  dGeomSphereSetRadius(camera->getCollisionProxies().front(), 3);
  camera->setNearClipDistance(5);
  EXPECT_EQ(dGeomSphereGetRadius(camera->getCollisionProxies().front()), 3);
  auto *bare = world->createCamera(uniqueName("PlayerCamTest"), Ogre::Vector3(0, 0, 5015));
  bare->setCollisionEnabled(true);
  bare->setNearClipDistance(5); // no proxy yet: nothing to resize
  EXPECT_TRUE(bare->getCollisionProxies().empty());
}

TEST_F(CollideCameraTest, OtherObjectsPushItOutOnlyHorizontally) {
  auto *camera = standingCamera(0);
  auto *ball = world->createBall(uniqueName("ball"), 10, Ogre::Vector3(20, 0, 5010));
  ASSERT_TRUE(camera->testCollide(ball));
  EXPECT_LT(camera->getPosition().x, 0);
  EXPECT_FLOAT_EQ(camera->getPosition().z, 5015);
  EXPECT_EQ(ball->getPosition(), Ogre::Vector3(20, 0, 5010));
}

TEST_F(CollideCameraTest, TurnsBelongToTheCameraAndTranslateFollowsThem) {
  auto *camera = world->createCamera(uniqueName("PlayerCamTest"), Ogre::Vector3(0, 0, 5000));
  camera->setFixedYawAxis(true, Ogre::Vector3::UNIT_Z);
  camera->setDirection(Ogre::Vector3::NEGATIVE_UNIT_X);
  EXPECT_TRUE(camera->getDirection().positionEquals(Ogre::Vector3::NEGATIVE_UNIT_X, 1e-5f));
  EXPECT_EQ(camera->getSceneNode()->getOrientation(), Ogre::Quaternion::IDENTITY);
  camera->translate(Ogre::Vector3(0, 0, -10)); // forwards
  EXPECT_TRUE(camera->getPosition().positionEquals(Ogre::Vector3(-10, 0, 5000), 1e-3f));
  camera->yaw(Ogre::Degree(90)); // about +Z: now looking along -Y
  EXPECT_TRUE(camera->getDirection().positionEquals(Ogre::Vector3::NEGATIVE_UNIT_Y, 1e-5f));
  camera->lookAt(Ogre::Vector3(-10, 100, 5010));
  EXPECT_TRUE(camera->getDirection().positionEquals(Ogre::Vector3::UNIT_Y, 1e-5f));
}

TEST_F(CollideCameraTest, FacilitatorCameraWithoutProxyPassesThroughWalls) {
  auto *camera = standingCamera(-10);
  camera->setCollisionEnabled(false);
  camera->setDynamicsEnabled(false, false);
  camera->destroyCollisionProxies();
  EXPECT_TRUE(camera->getCollisionProxies().empty());
  SyntheticFragment step;
  stepBrush(step, 8);
  EXPECT_FALSE(camera->testCollide(&step.fragment));
  EXPECT_EQ(camera->getPosition(), Ogre::Vector3(-10, 0, 5015));
}

TEST_F(CollideCameraTest, DisablingTheBodyDeletesIt) {
  auto *camera = standingCamera();
  camera->disableOdeBody();
  EXPECT_EQ(camera->getOdeBody(), nullptr);
  camera->disableOdeBody();
  world->simulationStep(0.05f);
  EXPECT_EQ(camera->getPosition(), Ogre::Vector3(0, 0, 5015));
}

} // namespace
} // namespace sw::test
