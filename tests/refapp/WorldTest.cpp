// The simulation world of the shared test scene: the fixed-step clock,
// dynamics and dormancy, contacts and their surfaces, the factories' proxies,
// joints, fires and the chiefs' colliding camera.
#include <OgreEntity.h>
#include <OgreMesh.h>
#include <OgreParticleSystem.h>
#include <OgreSceneNode.h>

#include <chrono>
#include <thread>

#include "refapp/OgreRefAppBall.h"
#include "refapp/OgreRefAppBallJoint.h"
#include "refapp/OgreRefAppBox.h"
#include "refapp/OgreRefAppCollideCamera.h"
#include "refapp/OgreRefAppFinitePlane.h"
#include "refapp/OgreRefAppFire.h"
#include "refapp/OgreRefAppOgreHead.h"
#include "tests/support/WorldTestFixture.h"

namespace sw::test {
namespace {

using WorldStep = WorldTest;

TEST_F(WorldStep, FramesRunWholeTenMillisecondStepsAndCarryTheRest) {
  // A fresh world carries nothing: rebuild the accumulation from zero by
  // stepping a frame that leaves exactly nothing over.
  ProbeObject &probe = makeProbe(highAbove());
  probe.setDynamicsEnabled(true);
  world->simulationStep(static_cast<Ogre::Real>(-world->getLeftOverTime()));
  ASSERT_NEAR(world->getLeftOverTime(), 0, 1e-9);
  probe.dynamicsUpdates = 0;
  const int updates[] = {0, 0, 1};
  for (int frame = 0; frame < 3; ++frame) {
    world->simulationStep(0.004f);
    EXPECT_EQ(probe.dynamicsUpdates, updates[frame]) << "frame " << frame + 1;
  }
  EXPECT_NEAR(world->getLeftOverTime(), 0.002, 1e-6);
  // A long frame runs whole steps and carries the rest.
  probe.dynamicsUpdates = 0;
  world->simulationStep(0.033f);
  EXPECT_EQ(probe.dynamicsUpdates, 3);
  EXPECT_NEAR(world->getLeftOverTime(), 0.005, 1e-6);
}

TEST_F(WorldStep, ClearForgetsDeletedObjectsInTheDynamicsSet) {
  auto *ball = world->createBall(uniqueName("ball"), 10, highAbove());
  ball->setDynamicsEnabled(true);
  ASSERT_EQ(world->getDynamicsObjects().count(ball), 1u);
  world->clear();
  EXPECT_TRUE(world->getDynamicsObjects().empty());
  EXPECT_TRUE(world->getObjects().empty());
  world->simulationStep(0.05f); // must not touch the deleted ball
}

using Dynamics = WorldTest;

TEST_F(Dynamics, EnablingJoinsTheDynamicsSetAndCopiesTheNodeToTheBodyDormancyKeepsItThere) {
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
  // Dormant objects stay in the set with their body disabled.
  probe.setDynamicsEnabled(false, true);
  EXPECT_TRUE(probe.isDynamicsEnabled());
  EXPECT_FALSE(probe.rawDynamicsFlag());
  EXPECT_FALSE(dBodyIsEnabled(probe.getOdeBody()));
  EXPECT_EQ(world->getDynamicsObjects().count(&probe), 1u);
  probe.setDynamicsEnabled(false, false);
  EXPECT_FALSE(probe.isDynamicsEnabled());
  EXPECT_EQ(world->getDynamicsObjects().count(&probe), 0u);
}

TEST_F(Dynamics, RestingBodyGoesDormantAfterTheDisableTimeAndATouchWakesIt) {
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
  // Touched by a moving body, it wakes up.
  ProbeObject &moving = makeProbe(highAbove(1.5f));
  ProbeObject &dormant = probe;
  moving.setDynamicsEnabled(true);
  ASSERT_TRUE(moving.testCollide(&dormant));
  world->_applyDynamics(world->getSimulationStepSize());
  EXPECT_TRUE(dBodyIsEnabled(dormant.getOdeBody()));
  EXPECT_TRUE(dormant.rawDynamicsFlag());
}

using Contact = WorldTest;

ProbeObject::Options sphereOf(double radius) {
  ProbeObject::Options options;
  options.radius = radius;
  return options;
}

TEST_F(Contact, SecondObjectReceivesTheNegatedNormal) {
  ProbeObject &a = makeProbe(highAbove(0), sphereOf(1));
  ProbeObject &b = makeProbe(highAbove(1.5f), sphereOf(1));
  ASSERT_TRUE(a.testCollide(&b));
  ASSERT_EQ(a.notifications.size(), 1u);
  ASSERT_EQ(b.notifications.size(), 1u);
  EXPECT_EQ(a.notifications[0].other, &b);
  EXPECT_EQ(b.notifications[0].other, &a);
  const Ogre::Vector3 normalA = a.notifications[0].info.normal;
  const Ogre::Vector3 normalB = b.notifications[0].info.normal;
  EXPECT_EQ(normalB, -normalA);
  // Each normal points the way its receiver must move to get free.
  EXPECT_FLOAT_EQ(normalA.x, -1);
  EXPECT_FLOAT_EQ(normalB.x, 1);
  EXPECT_DOUBLE_EQ(a.notifications[0].info.penetrationDepth, 0.5);
  EXPECT_EQ(a.notifications[0].info.position, b.notifications[0].info.position);
}

// Between objects and against the level; planes the object is behind are
// skipped.
TEST_F(Contact, DepthUpToPointEightIsKeptAndDeeperIsReportedAsPointOne) {
  // Concentric spheres touch as deep as their radii add up.
  for (const auto &[radius, reported] : {std::pair{0.4, 0.8}, std::pair{0.6, 0.1}}) {
    ProbeObject &a = makeProbe(highAbove(float(100 * radius)), sphereOf(radius));
    ProbeObject &b = makeProbe(highAbove(float(100 * radius)), sphereOf(radius));
    ASSERT_TRUE(a.testCollide(&b));
    EXPECT_DOUBLE_EQ(a.notifications[0].info.penetrationDepth, reported) << radius;
    EXPECT_DOUBLE_EQ(b.notifications[0].info.penetrationDepth, reported) << radius;
  }
  SyntheticFragment floor;
  floor.planes = {Ogre::Plane(Ogre::Vector3::UNIT_Z, 5000)};
  ProbeObject &deep = makeProbe(highAbove(), sphereOf(1.0));
  ASSERT_TRUE(deep.testCollide(&floor.fragment));
  ASSERT_EQ(deep.notifications.size(), 1u);
  EXPECT_EQ(deep.notifications[0].fragment, &floor.fragment);
  EXPECT_DOUBLE_EQ(deep.notifications[0].info.penetrationDepth, 0.1);
  EXPECT_EQ(deep.notifications[0].info.normal, Ogre::Vector3::UNIT_Z);
  ProbeObject &edge = makeProbe(highAbove(), sphereOf(0.8));
  ASSERT_TRUE(edge.testCollide(&floor.fragment));
  EXPECT_EQ(edge.notifications[0].info.penetrationDepth, 0.8);
  SyntheticFragment brush; // the probe's centre just inside a brush face
  brush.planes = {Ogre::Plane(Ogre::Vector3::UNIT_Z, 5000.5f)};
  EXPECT_FALSE(makeProbe(highAbove(), sphereOf(1)).testCollide(&brush.fragment));
}

TEST_F(Contact, ContactJointHoldsOnlyBodiesWhoseDynamicsAreOn) {
  ProbeObject &moving = makeProbe(highAbove(0), sphereOf(1));
  ProbeObject &resting = makeProbe(highAbove(1), sphereOf(1));
  moving.setDynamicsEnabled(true);
  ASSERT_TRUE(moving.testCollide(&resting));
  ASSERT_EQ(dBodyGetNumJoints(moving.getOdeBody()), 1);
  EXPECT_EQ(dBodyGetNumJoints(resting.getOdeBody()), 0);
  dJointID joint = dBodyGetJoint(moving.getOdeBody(), 0);
  EXPECT_EQ(dJointGetType(joint), dJointTypeContact);
  EXPECT_EQ(dJointGetBody(joint, 0), moving.getOdeBody());
  EXPECT_EQ(dJointGetBody(joint, 1), nullptr);
  dJointGroupEmpty(world->getOdeContactJointGroup());
  EXPECT_EQ(dBodyGetNumJoints(moving.getOdeBody()), 0);
}

TEST_F(Contact, PairSurfaceTakesTheBouncierTheLowerThresholdSummedSoftnessAndLowerFriction) {
  ProbeObject &a = makeProbe(highAbove(0));
  ProbeObject &b = makeProbe(highAbove(1));
  a.setBounceParameters(0.3f, 0.5f);
  b.setBounceParameters(0.7f, 0.25f);
  a.setSoftness(0.25f);
  b.setSoftness(0.5f);
  a.setFriction(Ogre::Math::POS_INFINITY);
  b.setFriction(2);
  const dSurfaceParameters surface = a.surfaceWith(&b);
  EXPECT_EQ(surface.mode, 0x3004 | 0x10);
  EXPECT_FLOAT_EQ(static_cast<float>(surface.bounce), 0.7f);
  EXPECT_FLOAT_EQ(static_cast<float>(surface.bounce_vel), 0.25f);
  EXPECT_FLOAT_EQ(static_cast<float>(surface.soft_cfm), 0.75f);
  EXPECT_EQ(surface.mu, 2);
  EXPECT_EQ(surface.mu2, 0);
}

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

// Each factory scales the node to the requested size and gives the object a
// collision proxy of that size.
TEST_F(Primitives, NodeScaleAndCollisionProxyFollowTheRequestedSize) {
  const Ogre::String name = uniqueName("ball");
  auto *ball = world->createBall(name, 50, highAbove(), Ogre::Quaternion::IDENTITY);
  EXPECT_EQ(world->getObjects().at(name), ball);
  EXPECT_EQ(ball->getSceneNode()->getScale(), Ogre::Vector3(0.5f));
  EXPECT_EQ(ball->getEntity()->getMesh()->getName(), "sphere.mesh");
  EXPECT_EQ(dGeomGetClass(onlyProxy(*ball)), dSphereClass);
  EXPECT_EQ(dGeomSphereGetRadius(onlyProxy(*ball)), 50);
  ASSERT_NE(ball->getOdeBody(), nullptr);
  EXPECT_EQ(dBodyGetData(ball->getOdeBody()), ball);

  auto *box = world->createBox(uniqueName("box"), 100, 50, 20, highAbove());
  EXPECT_EQ(box->getSceneNode()->getScale(), Ogre::Vector3(1, 0.5f, 0.2f));
  EXPECT_EQ(dGeomGetClass(onlyProxy(*box)), dBoxClass);
  EXPECT_EQ(boxLengths(onlyProxy(*box)), Ogre::Vector3(100, 50, 20));

  // A plane is static; its thin box is twice the requested width and depth.
  auto *plane = world->createPlane(uniqueName("plane"), 300, 200, highAbove());
  EXPECT_EQ(plane->getSceneNode()->getScale(), Ogre::Vector3(3, 2, 1));
  EXPECT_EQ(plane->getOdeBody(), nullptr);
  EXPECT_EQ(boxLengths(onlyProxy(*plane)), Ogre::Vector3(600, 400, 1));

  auto *head = world->createOgreHead(uniqueName("head"), highAbove());
  EXPECT_EQ(head->getSceneNode()->getScale(), Ogre::Vector3::UNIT_SCALE);
  EXPECT_EQ(dGeomSphereGetRadius(onlyProxy(*head)), 25);
}

using Joints = WorldTest;

OgreRefApp::Ball *movingBall(OgreRefApp::World &world, const Ogre::Vector3 &at) {
  auto *ball = world.createBall(uniqueName("ball"), 5, at);
  ball->setDynamicsEnabled(true);
  return ball;
}

TEST_F(Joints, BallJointToTheStaticWorldKeepsTheBallAtItsDistance) {
  auto *ball = movingBall(*world, highAbove(0));
  auto *loose = movingBall(*world, highAbove(500));
  OgreRefApp::Joint *joint = world->createJoint(uniqueName("joint"), OgreRefApp::JT_BALL, ball, nullptr);
  const Ogre::Vector3 anchor = highAbove(50);
  joint->setAnchorPosition(anchor);
  EXPECT_EQ(joint->getAnchorPosition(), anchor);
  EXPECT_EQ(dJointGetBody(joint->getOdeJoint(), 1), nullptr);
  for (int frame = 0; frame < 60; ++frame)
    world->simulationStep(1.0f / 60);
  // The ball swings down on its 50-unit rope; the loose one falls freely.
  EXPECT_NEAR(ball->getPosition().distance(anchor), 50, 0.5);
  EXPECT_LT(ball->getPosition().z, 5000 - 5);
  EXPECT_LT(loose->getPosition().z, 5000 - 25);
}

TEST_F(Joints, ObjectsWithoutBodiesCannotBeAttached) {
  RecordedAssertions recorded;
  auto *plane = world->createPlane(uniqueName("plane"), 10, 10, highAbove());
  auto *ball = movingBall(*world, highAbove(20));
  OgreRefApp::Joint *joint = world->createJoint(uniqueName("joint"), OgreRefApp::JT_BALL, plane, ball);
  ASSERT_EQ(RecordedAssertions::failures.size(), 1u);
  EXPECT_EQ(RecordedAssertions::failures[0].message, "Cannot attach objects which do not have ODE bodies.");
  EXPECT_EQ(RecordedAssertions::failures[0].unit, "OgreRefAppJoint");
  EXPECT_EQ(dBodyGetNumJoints(ball->getOdeBody()), 0);
  EXPECT_EQ(joint->getAttachments().first, nullptr);

  RecordedAssertions::failures.clear();
  auto *still = world->createBall(uniqueName("ball"), 5, highAbove(40));
  world->createJoint(uniqueName("joint"), OgreRefApp::JT_HINGE, still, nullptr);
  EXPECT_EQ(RecordedAssertions::failures.size(), 1u);
}

class FireTest : public WorldTest {
protected:
  OgreRefApp::Fire *makeFire(double size, const Ogre::Vector3 &at = highAbove()) {
    return world->createFire(uniqueName("fireparticle"), "Examples/Smoke", size, at,
                             Ogre::Quaternion::IDENTITY);
  }
  static dGeomID box(const OgreRefApp::Fire &fire) { return fire.getCollisionProxies().front(); }
  static Ogre::Vector3 lengths(const OgreRefApp::Fire &fire) {
    dVector3 l;
    dGeomBoxGetLengths(box(fire), l);
    return Ogre::Vector3(static_cast<float>(l[0]), static_cast<float>(l[1]), static_cast<float>(l[2]));
  }
  static Ogre::Vector3 boundsDirection(const OgreRefApp::Fire &fire) {
    return fire.getParticleSystem()->getBoundingBox().getSize().normalisedCopy();
  }
};

TEST_F(FireTest, CollisionBoxFollowsTheParticleBoundsDirection) {
  OgreRefApp::Fire *fire = makeFire(0.5);
  const Ogre::Vector3 n = boundsDirection(*fire);
  ASSERT_GT(n.length(), 0.99f);
  const Ogre::Vector3 l = lengths(*fire);
  EXPECT_NEAR(l.x, 150 * n.x, 1e-3);
  EXPECT_NEAR(l.y, 150 * n.z, 1e-3);
  EXPECT_NEAR(l.z, 250 * n.y, 1e-3);

  fire->changeFireCollisionArea();
  const Ogre::Vector3 changed = lengths(*fire);
  EXPECT_NEAR(changed.x, 150 * n.x, 1e-3);
  EXPECT_NEAR(changed.y, 250 * n.z, 1e-3);
  EXPECT_NEAR(changed.z, 150 * n.y, 1e-3);
}

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

TEST_F(CollideCameraTest, OtherObjectsPushItOutOnlyHorizontally) {
  auto *camera = standingCamera(0);
  auto *ball = world->createBall(uniqueName("ball"), 10, Ogre::Vector3(20, 0, 5010));
  ASSERT_TRUE(camera->testCollide(ball));
  EXPECT_LT(camera->getPosition().x, 0);
  EXPECT_FLOAT_EQ(camera->getPosition().z, 5015);
  EXPECT_EQ(ball->getPosition(), Ogre::Vector3(20, 0, 5010));
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

} // namespace
} // namespace sw::test
