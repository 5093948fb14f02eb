#include <chrono>
#include <thread>

#include <OgreEntity.h>
#include <OgreSceneNode.h>

#include "refapp/OgreRefAppBall.h"
#include "refapp/OgreRefAppFinitePlane.h"
#include "tests/support/WorldTestFixture.h"

namespace sw::test {
namespace {

using Dynamics = WorldTest;

TEST_F(Dynamics, EnablingJoinsTheDynamicsSetAndCopiesTheNodeToTheBody) {
  ProbeObject &probe = makeProbe(highAbove(3));
  const Ogre::Quaternion turned(Ogre::Degree(30), Ogre::Vector3::UNIT_Z);
  probe.setOrientation(turned);
  // With dynamics off the body stays where it was made.
  EXPECT_EQ(dBodyGetPosition(probe.getOdeBody())[0], 0);
  probe.setDynamicsEnabled(true);
  EXPECT_EQ(world->getDynamicsObjects().count(&probe), 1u);
  EXPECT_TRUE(dBodyIsEnabled(probe.getOdeBody()));
  EXPECT_FLOAT_EQ(static_cast<float>(dBodyGetPosition(probe.getOdeBody())[0]), 3);
  EXPECT_FLOAT_EQ(static_cast<float>(dBodyGetQuaternion(probe.getOdeBody())[0]), turned.w);
  EXPECT_FLOAT_EQ(static_cast<float>(dBodyGetQuaternion(probe.getOdeBody())[3]), turned.z);
}

TEST_F(Dynamics, DormantObjectsStayInTheSetWithTheirBodyDisabled) {
  ProbeObject &probe = makeProbe(highAbove());
  probe.setDynamicsEnabled(false, true);
  EXPECT_TRUE(probe.isDynamicsEnabled());
  EXPECT_FALSE(probe.rawDynamicsFlag());
  EXPECT_FALSE(dBodyIsEnabled(probe.getOdeBody()));
  EXPECT_EQ(world->getDynamicsObjects().count(&probe), 1u);
  probe.setDynamicsEnabled(false, false);
  EXPECT_FALSE(probe.isDynamicsEnabled());
  EXPECT_EQ(world->getDynamicsObjects().count(&probe), 0u);
}

TEST_F(Dynamics, SetPositionMovesTheBodyOnlyWhileDynamicsAreOn) {
  ProbeObject &probe = makeProbe(highAbove());
  probe.setDynamicsEnabled(true);
  probe.setPosition(7, 8, 5000);
  EXPECT_FLOAT_EQ(static_cast<float>(dBodyGetPosition(probe.getOdeBody())[0]), 7);
  probe.setDynamicsEnabled(false);
  probe.setPosition(20, 8, 5000);
  EXPECT_FLOAT_EQ(static_cast<float>(dBodyGetPosition(probe.getOdeBody())[0]), 7);
  // The proxy follows the node either way.
  EXPECT_FLOAT_EQ(static_cast<float>(dGeomGetPosition(probe.proxy())[0]), 20);
}

TEST_F(Dynamics, ProxiesFollowTheNodesOrientation) {
  ProbeObject &probe = makeProbe(highAbove());
  probe.yaw(Ogre::Degree(90));
  dQuaternion q;
  dGeomGetQuaternion(probe.proxy(), q);
  const Ogre::Quaternion expected(Ogre::Degree(90), Ogre::Vector3::UNIT_Y);
  EXPECT_NEAR(q[0], expected.w, 1e-6);
  EXPECT_NEAR(q[2], expected.y, 1e-6);
  EXPECT_TRUE(probe.getOrientation().equals(expected, Ogre::Degree(0.01f)));
}

TEST_F(Dynamics, TranslateMovesAlongOwnAxesAndTranslateWorldSpaceAlongWorldAxes) {
  ProbeObject &probe = makeProbe(highAbove());
  probe.yaw(Ogre::Degree(90)); // local +X now points to world -Z
  probe.translate(10, 0, 0);
  EXPECT_NEAR(probe.getPosition().z, 4990, 1e-3);
  EXPECT_NEAR(probe.getPosition().x, 0, 1e-3);
  probe.translateWorldSpace(10, 0, 0);
  EXPECT_NEAR(probe.getPosition().x, 10, 1e-3);
}

TEST_F(Dynamics, RestingBodyGoesDormantAfterTheDisableTime) {
  ProbeObject &probe = makeProbe(highAbove());
  probe.setDynamicsEnabled(true);
  probe.setDynamicsDisableThreshold(1, 1, 0.05f);
  dBodySetLinearVel(probe.getOdeBody(), 0, 0, 0);
  probe.ApplicationObject::_updateFromDynamics();
  EXPECT_GT(probe.disableTimeEnd(), 0);
  EXPECT_TRUE(probe.rawDynamicsFlag());
  std::this_thread::sleep_for(std::chrono::milliseconds(80));
  probe.ApplicationObject::_updateFromDynamics();
  EXPECT_FALSE(probe.rawDynamicsFlag());
  EXPECT_TRUE(probe.isDynamicsEnabled());
  EXPECT_FALSE(dBodyIsEnabled(probe.getOdeBody()));
  EXPECT_EQ(probe.disableTimeEnd(), 0);
  EXPECT_EQ(world->getDynamicsObjects().count(&probe), 1u);
}

TEST_F(Dynamics, MovingBodyStopsTheDisableCount) {
  ProbeObject &probe = makeProbe(highAbove());
  probe.setDynamicsEnabled(true);
  probe.setDynamicsDisableThreshold(1, 1, 0.05f);
  dBodySetLinearVel(probe.getOdeBody(), 0, 0, 0);
  probe.ApplicationObject::_updateFromDynamics();
  ASSERT_GT(probe.disableTimeEnd(), 0);
  dBodySetLinearVel(probe.getOdeBody(), 2, 0, 0); // squared speed 4 > 1
  probe.ApplicationObject::_updateFromDynamics();
  EXPECT_EQ(probe.disableTimeEnd(), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(80));
  probe.ApplicationObject::_updateFromDynamics();
  EXPECT_TRUE(probe.rawDynamicsFlag());
}

TEST_F(Dynamics, ZeroDisableTimeNeverSwitchesOff) {
  ProbeObject &probe = makeProbe(highAbove());
  probe.setDynamicsEnabled(true);
  probe.setDynamicsDisableThreshold(1, 1, 0);
  dBodySetLinearVel(probe.getOdeBody(), 0, 0, 0);
  probe.ApplicationObject::_updateFromDynamics();
  EXPECT_EQ(probe.disableTimeEnd(), 0);
  EXPECT_TRUE(probe.rawDynamicsFlag());
}

TEST_F(Dynamics, DormantBodyTouchedByAMovingOneWakesUp) {
  ProbeObject &moving = makeProbe(highAbove(0));
  ProbeObject &dormant = makeProbe(highAbove(1.5f));
  moving.setDynamicsEnabled(true);
  dormant.setDynamicsEnabled(false, true);
  ASSERT_TRUE(moving.testCollide(&dormant));
  world->_applyDynamics(world->getSimulationStepSize());
  EXPECT_TRUE(dBodyIsEnabled(dormant.getOdeBody()));
  EXPECT_TRUE(dormant.rawDynamicsFlag());
}

TEST_F(Dynamics, VelocitiesNeedABodyWithDynamicsOn) {
  RecordedAssertions recorded;
  ProbeObject &probe = makeProbe(highAbove());
  probe.setLinearVelocity(1, 2, 3);
  ASSERT_EQ(RecordedAssertions::failures.size(), 1u);
  EXPECT_EQ(RecordedAssertions::failures[0].message,
            "Cannot set velocity on an object unless dynamics are enabled and an ODE body exists");
  EXPECT_EQ(RecordedAssertions::failures[0].unit, "OgreRefAppApplicationObject");
  EXPECT_EQ(probe.getAngularVelocity(), Ogre::Vector3::ZERO);
  ASSERT_EQ(RecordedAssertions::failures.size(), 2u);
  EXPECT_EQ(RecordedAssertions::failures[1].message,
            "Cannot get velocity on an object unless dynamics are enabled and an ODE body exists");

  RecordedAssertions::failures.clear();
  probe.setDynamicsEnabled(true);
  probe.setLinearVelocity(Ogre::Vector3(1, 2, 3));
  probe.setAngularVelocity(0, 0, 4);
  EXPECT_TRUE(RecordedAssertions::failures.empty());
  EXPECT_EQ(probe.getLinearVelocity(), Ogre::Vector3(1, 2, 3));
  EXPECT_EQ(probe.getAngularVelocity(), Ogre::Vector3(0, 0, 4));
}

TEST_F(Dynamics, ForcesNeedABody) {
  RecordedAssertions recorded;
  auto *plane = world->createPlane(uniqueName("plane"), 100, 100, highAbove());
  plane->addForce(Ogre::Vector3(1, 0, 0));
  plane->addTorqueWorldSpace(0, 0, 1);
  ASSERT_EQ(RecordedAssertions::failures.size(), 2u);
  EXPECT_EQ(RecordedAssertions::failures[0].message, "No dynamics body set up for this object");

  RecordedAssertions::failures.clear();
  ProbeObject &probe = makeProbe(highAbove());
  probe.setDynamicsEnabled(true);
  probe.addForceWorldSpace(Ogre::Vector3(5, 0, 0));
  EXPECT_TRUE(RecordedAssertions::failures.empty());
  EXPECT_EQ(dBodyGetForce(probe.getOdeBody())[0], 5);
  dBodySetForce(probe.getOdeBody(), 0, 0, 0);
}

TEST_F(Dynamics, StaticObjectsKeepOnlyTheFlagsWhenDynamicsAreSwitched) {
  auto *plane = world->createPlane(uniqueName("plane"), 100, 100, highAbove());
  ASSERT_EQ(plane->getOdeBody(), nullptr);
  plane->setDynamicsEnabled(true, true);
  EXPECT_TRUE(plane->isDynamicsEnabled());
  plane->setDynamicsEnabled(false, false);
  EXPECT_FALSE(plane->isDynamicsEnabled());
  world->simulationStep(0.05f);
}

TEST_F(Dynamics, CollisionSwitchSetsTheEntityQueryFlags) {
  auto *ball = world->createBall(uniqueName("ball"), 10, highAbove());
  EXPECT_EQ(ball->getEntity()->getQueryFlags(), 0xFFFFFFFFu);
  ball->setCollisionEnabled(false);
  EXPECT_FALSE(ball->isCollisionEnabled());
  EXPECT_EQ(ball->getEntity()->getQueryFlags(), 0u);
  ball->setCollisionEnabled(true);
  EXPECT_EQ(ball->getEntity()->getQueryFlags(), 0xFFFFFFFFu);
}

TEST_F(Dynamics, EntitiesMapBackToTheirObjects) {
  auto *ball = world->createBall(uniqueName("ball"), 10, highAbove());
  EXPECT_EQ(OgreRefApp::ApplicationObject::fromMovable(ball->getEntity()), ball);
  Ogre::Entity *bare = world->getSceneManager()->createEntity(uniqueName("bare"), "sphere.mesh");
  EXPECT_EQ(OgreRefApp::ApplicationObject::fromMovable(bare), nullptr);
  EXPECT_EQ(OgreRefApp::ApplicationObject::fromMovable(nullptr), nullptr);
  world->getSceneManager()->destroyEntity(bare);
}

} // namespace
} // namespace sw::test
