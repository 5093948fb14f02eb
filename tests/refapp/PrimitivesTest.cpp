#include <OgreEntity.h>
#include <OgreMesh.h>
#include <OgreSceneNode.h>

#include "refapp/OgreRefAppBall.h"
#include "refapp/OgreRefAppBox.h"
#include "refapp/OgreRefAppFinitePlane.h"
#include "refapp/OgreRefAppOgreHead.h"
#include "tests/support/WorldTestFixture.h"

namespace sw::test {
namespace {

using Primitives = WorldTest;

dGeomID onlyProxy(const OgreRefApp::ApplicationObject &object) {
  EXPECT_EQ(object.getCollisionProxies().size(), 1u);
  return object.getCollisionProxies().front();
}

Ogre::Vector3 boxLengths(dGeomID box) {
  dVector3 lengths;
  dGeomBoxGetLengths(box, lengths);
  return Ogre::Vector3(static_cast<float>(lengths[0]), static_cast<float>(lengths[1]),
                       static_cast<float>(lengths[2]));
}

TEST_F(Primitives, BallOfRadiusFiftyHasHalfScaleAndASphereOfFifty) {
  const Ogre::String name = uniqueName("ball");
  auto *ball = world->createBall(name, 50, highAbove(), Ogre::Quaternion::IDENTITY);
  EXPECT_EQ(world->getObjects().at(name), ball);
  EXPECT_EQ(ball->getSceneNode()->getScale(), Ogre::Vector3(0.5f));
  EXPECT_EQ(ball->getSceneNode()->getName(), name);
  EXPECT_EQ(ball->getEntity()->getMesh()->getName(), "sphere.mesh");
  dGeomID proxy = onlyProxy(*ball);
  EXPECT_EQ(dGeomGetClass(proxy), dSphereClass);
  EXPECT_EQ(dGeomSphereGetRadius(proxy), 50);
  ASSERT_NE(ball->getOdeBody(), nullptr);
  EXPECT_EQ(dBodyGetData(ball->getOdeBody()), ball);
  EXPECT_NEAR(ball->getOdeMass().mass, 0.1 * 4.0 / 3.0 * M_PI * 50 * 50 * 50, 1e-2);
  EXPECT_FLOAT_EQ(ball->getBounceRestitutionValue(), 0.7f);
  EXPECT_FLOAT_EQ(ball->getBounceVelocityThreshold(), 0.1f);
  EXPECT_EQ(ball->getFriction(), OgreRefApp::INFINITE_FRICTION);
  EXPECT_EQ(OgreRefApp::ApplicationObject::fromMovable(ball->getEntity()), ball);
}

TEST_F(Primitives, BoxScalesEachDimensionAndCollidesAsTheWholeBox) {
  auto *box = world->createBox(uniqueName("box"), 100, 50, 20, highAbove());
  EXPECT_EQ(box->getSceneNode()->getScale(), Ogre::Vector3(1, 0.5f, 0.2f));
  dGeomID proxy = onlyProxy(*box);
  EXPECT_EQ(dGeomGetClass(proxy), dBoxClass);
  EXPECT_EQ(boxLengths(proxy), Ogre::Vector3(100, 50, 20));
  EXPECT_NEAR(box->getOdeMass().mass, 0.05 * 100 * 50 * 20, 1e-3);
  EXPECT_EQ(box->getBounceRestitutionValue(), 0);
  EXPECT_EQ(box->getBounceVelocityThreshold(), 0);
}

TEST_F(Primitives, PlaneIsStaticWithATwiceAsLargeThinBox) {
  auto *plane = world->createPlane(uniqueName("plane"), 300, 200, highAbove());
  EXPECT_EQ(plane->getSceneNode()->getScale(), Ogre::Vector3(3, 2, 1));
  EXPECT_EQ(plane->getOdeBody(), nullptr);
  EXPECT_EQ(boxLengths(onlyProxy(*plane)), Ogre::Vector3(600, 400, 1));
  EXPECT_EQ(plane->getEntity()->getMesh()->getName(), "Prefab_Plane");
  EXPECT_FLOAT_EQ(plane->getBounceVelocityThreshold(), 0.1f);
}

TEST_F(Primitives, OgreHeadIsASphereOfTwentyFiveAtItsOwnScale) {
  auto *head = world->createOgreHead(uniqueName("head"), highAbove());
  EXPECT_EQ(head->getSceneNode()->getScale(), Ogre::Vector3::UNIT_SCALE);
  EXPECT_EQ(dGeomSphereGetRadius(onlyProxy(*head)), 25);
  EXPECT_NEAR(head->getOdeMass().mass, 0.1 * 4.0 / 3.0 * M_PI * 25 * 25 * 25, 1e-2);
  EXPECT_FLOAT_EQ(head->getBounceRestitutionValue(), 0.3f);
}

TEST_F(Primitives, FactoriesPlaceAndTurnTheNewObjectAndItsProxy) {
  const Ogre::Quaternion turned(Ogre::Degree(45), Ogre::Vector3::UNIT_Z);
  auto *box = world->createBox(uniqueName("box"), 10, 10, 10, Ogre::Vector3(1, 2, 5003), turned);
  EXPECT_EQ(box->getPosition(), Ogre::Vector3(1, 2, 5003));
  EXPECT_EQ(box->getOrientation(), turned);
  const dReal *position = dGeomGetPosition(onlyProxy(*box));
  EXPECT_FLOAT_EQ(static_cast<float>(position[2]), 5003);
  dQuaternion q;
  dGeomGetQuaternion(onlyProxy(*box), q);
  EXPECT_NEAR(q[3], turned.z, 1e-6);
}

TEST_F(Primitives, ClearDeletesEveryObjectButLeavesEntitiesInTheScene) {
  const Ogre::String name = uniqueName("ball");
  world->createBall(name, 5, highAbove());
  world->clear();
  EXPECT_TRUE(world->getObjects().empty());
  EXPECT_FALSE(world->getSceneManager()->hasSceneNode(name));
  EXPECT_TRUE(world->getSceneManager()->hasEntity(name));
}

TEST_F(Primitives, DroppedBallComesToRestOnTheDeck) {
  if (!refAppScene().levelLoaded)
    FAIL() << "the stage has no \"ogretestmap.bsp\": build the level_media target";
  // On open deck beside the first passengers.
  auto *ball = world->createBall(uniqueName("ball"), 10, Ogre::Vector3(-500, 260, 60));
  ball->setBounceParameters(0, 0.1f); // lands without bouncing
  ball->setDynamicsEnabled(true);
  for (int frame = 0; frame < 300; ++frame) {
    renderOneFrame();
    world->simulationStep(1.0f / 60);
  }
  EXPECT_NEAR(ball->getPosition().z, 9.5, 1.5); // on the deck surface at z = -0.5
  EXPECT_NEAR(ball->getPosition().x, -500, 5);
  EXPECT_NEAR(ball->getPosition().y, 260, 5);
}

} // namespace
} // namespace sw::test
