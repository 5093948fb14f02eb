#include "refapp/OgreRefAppBall.h"
#include "refapp/OgreRefAppBallJoint.h"
#include "refapp/OgreRefAppFinitePlane.h"
#include "refapp/OgreRefAppHinge2Joint.h"
#include "refapp/OgreRefAppHingeJoint.h"
#include "refapp/OgreRefAppSliderJoint.h"
#include "refapp/OgreRefAppUniversalJoint.h"
#include "tests/support/WorldTestFixture.h"

namespace sw::test {
namespace {

using Joints = WorldTest;

OgreRefApp::Ball *movingBall(OgreRefApp::World &world, const Ogre::Vector3 &at) {
  auto *ball = world.createBall(uniqueName("ball"), 5, at);
  ball->setDynamicsEnabled(true);
  return ball;
}

TEST_F(Joints, FactoryMakesEachKindAndKeepsItByName) {
  auto *a = movingBall(*world, highAbove(0));
  auto *b = movingBall(*world, highAbove(20));
  const OgreRefApp::JointType kinds[] = {OgreRefApp::JT_BALL, OgreRefApp::JT_SLIDER, OgreRefApp::JT_HINGE,
                                         OgreRefApp::JT_UNIVERSAL, OgreRefApp::JT_HINGE2};
  const int odeTypes[] = {dJointTypeBall, dJointTypeSlider, dJointTypeHinge, dJointTypeUniversal,
                          dJointTypeHinge2};
  for (int i = 0; i < 5; ++i) {
    const Ogre::String name = uniqueName("joint");
    OgreRefApp::Joint *joint = world->createJoint(name, kinds[i], a, b);
    ASSERT_NE(joint, nullptr);
    EXPECT_EQ(world->getJoints().at(name), joint);
    EXPECT_EQ(joint->getType(), kinds[i]);
    EXPECT_EQ(dJointGetType(joint->getOdeJoint()), odeTypes[i]);
    EXPECT_EQ(joint->getAttachments(), OgreRefApp::Joint::AttachmentPair(a, b));
    EXPECT_EQ(joint->getAnchorPosition(), Ogre::Vector3::ZERO);
    EXPECT_EQ(joint->getAxes().first, Ogre::Vector3::UNIT_X);
    EXPECT_EQ(joint->getAxes().second, Ogre::Vector3::UNIT_Z);
  }
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

TEST_F(Joints, AnchorsAndAxesReachOdeForTheKindsThatHaveThem) {
  auto *a = movingBall(*world, highAbove(0));
  auto *b = movingBall(*world, highAbove(20));
  const Ogre::Vector3 anchor(10, 0, 5000);
  dVector3 got;

  auto *hinge = world->createJoint(uniqueName("hinge"), OgreRefApp::JT_HINGE, a, b);
  hinge->setAnchorPosition(anchor);
  hinge->setAxes(Ogre::Vector3::UNIT_Y, Ogre::Vector3::UNIT_X);
  dJointGetHingeAnchor(hinge->getOdeJoint(), got);
  EXPECT_NEAR(got[0], 10, 1e-6);
  dJointGetHingeAxis(hinge->getOdeJoint(), got);
  EXPECT_NEAR(got[1], 1, 1e-6);
  EXPECT_EQ(hinge->getAxes().first, Ogre::Vector3::UNIT_Y);

  auto *universal = world->createJoint(uniqueName("universal"), OgreRefApp::JT_UNIVERSAL, a, b);
  // The new first axis lies along ODE's default second axis (+Y).
  universal->setAxes(Ogre::Vector3::UNIT_Y, Ogre::Vector3::UNIT_Z);
  dJointGetUniversalAxis1(universal->getOdeJoint(), got);
  EXPECT_NEAR(got[1], 1, 1e-6);
  dJointGetUniversalAxis2(universal->getOdeJoint(), got);
  EXPECT_NEAR(got[2], 1, 1e-6);

  auto *hinge2 = world->createJoint(uniqueName("hinge2"), OgreRefApp::JT_HINGE2, a, b);
  hinge2->setAxes(Ogre::Vector3::UNIT_Z, Ogre::Vector3::UNIT_Y);
  hinge2->setAnchorPosition(anchor);
  dJointGetHinge2Axis2(hinge2->getOdeJoint(), got);
  EXPECT_NEAR(got[1], 1, 1e-6);
  EXPECT_EQ(hinge2->getAnchorPosition(), anchor);

  auto *slider = world->createJoint(uniqueName("slider"), OgreRefApp::JT_SLIDER, a, b);
  slider->setAnchorPosition(anchor);
  EXPECT_EQ(slider->getAnchorPosition(), Ogre::Vector3::ZERO);
  slider->setAxes(Ogre::Vector3::UNIT_Y, Ogre::Vector3::UNIT_X);
  dJointGetSliderAxis(slider->getOdeJoint(), got);
  EXPECT_NEAR(got[1], 1, 1e-6);

  auto *ballJoint = world->createJoint(uniqueName("balljoint"), OgreRefApp::JT_BALL, a, b);
  ballJoint->setAxes(Ogre::Vector3::UNIT_Y, Ogre::Vector3::UNIT_Y);
  EXPECT_EQ(ballJoint->getAxes().first, Ogre::Vector3::UNIT_X);
}

TEST_F(Joints, DeletingAJointLeavesTheObjectsAlive) {
  auto *a = movingBall(*world, highAbove(0));
  auto *b = movingBall(*world, highAbove(20));
  auto *joint = new OgreRefApp::HingeJoint(OgreRefApp::JT_HINGE, a, b);
  ASSERT_EQ(dBodyGetNumJoints(a->getOdeBody()), 1);
  delete joint;
  EXPECT_EQ(dBodyGetNumJoints(a->getOdeBody()), 0);
  EXPECT_EQ(dBodyGetNumJoints(b->getOdeBody()), 0);
  EXPECT_EQ(world->getObjects().size(), 2u);
  a->setPosition(highAbove(1));
  EXPECT_FLOAT_EQ(static_cast<float>(dBodyGetPosition(a->getOdeBody())[0]), 1);
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

} // namespace
} // namespace sw::test
