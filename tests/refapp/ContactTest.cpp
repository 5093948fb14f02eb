#include "tests/support/WorldTestFixture.h"

namespace sw::test {
namespace {

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

TEST_F(Contact, ObjectsApartAreNotNotified) {
  ProbeObject &a = makeProbe(highAbove(0), sphereOf(1));
  ProbeObject &b = makeProbe(highAbove(2.5f), sphereOf(1));
  EXPECT_FALSE(a.testCollide(&b));
  EXPECT_TRUE(a.notifications.empty());
  EXPECT_TRUE(b.notifications.empty());
}

TEST_F(Contact, DepthAbovePointEightIsReportedAsPointOne) {
  ProbeObject &a = makeProbe(highAbove(), sphereOf(0.6));
  ProbeObject &b = makeProbe(highAbove(), sphereOf(0.6));
  ASSERT_TRUE(a.testCollide(&b));
  EXPECT_DOUBLE_EQ(a.notifications[0].info.penetrationDepth, 0.1);
  EXPECT_DOUBLE_EQ(b.notifications[0].info.penetrationDepth, 0.1);
}

TEST_F(Contact, DepthOfExactlyPointEightIsKept) {
  // Concentric spheres touch as deep as their radii add up: 0.4 + 0.4.
  ProbeObject &a = makeProbe(highAbove(), sphereOf(0.4));
  ProbeObject &b = makeProbe(highAbove(), sphereOf(0.4));
  ASSERT_TRUE(a.testCollide(&b));
  EXPECT_EQ(a.notifications[0].info.penetrationDepth, 0.8);
  EXPECT_EQ(b.notifications[0].info.penetrationDepth, 0.8);
}

TEST_F(Contact, LevelContactDepthIsClampedTheSameWay) {
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
}

TEST_F(Contact, PlanesTheObjectIsBehindAreSkipped) {
  SyntheticFragment brush;
  // The probe's centre sits just inside a brush face: behind the plane.
  brush.planes = {Ogre::Plane(Ogre::Vector3::UNIT_Z, 5000.5f)};
  ProbeObject &probe = makeProbe(highAbove(), sphereOf(1));
  EXPECT_FALSE(probe.testCollide(&brush.fragment));
  EXPECT_TRUE(probe.notifications.empty());
}

TEST_F(Contact, OnlyPlaneBoundedFragmentsCanTouch) {
  SyntheticFragment floor;
  floor.planes = {Ogre::Plane(Ogre::Vector3::UNIT_Z, 5000)};
  ProbeObject &probe = makeProbe(highAbove(), sphereOf(1));
  floor.fragment.fragmentType = Ogre::SceneQuery::WFT_NONE;
  EXPECT_FALSE(probe.testCollide(&floor.fragment));
  floor.fragment.fragmentType = Ogre::SceneQuery::WFT_SINGLE_INTERSECTION;
  EXPECT_FALSE(probe.testCollide(&floor.fragment));
  EXPECT_TRUE(probe.notifications.empty());
}

TEST_F(Contact, ObjectsWithDynamicsOffStillNotifyEachOtherWithoutAJoint) {
  ProbeObject &a = makeProbe(highAbove(0), sphereOf(1));
  ProbeObject &b = makeProbe(highAbove(1), sphereOf(1));
  ASSERT_FALSE(a.isDynamicsEnabled());
  ASSERT_FALSE(b.isDynamicsEnabled());
  ASSERT_TRUE(a.testCollide(&b));
  EXPECT_EQ(a.notifications.size(), 1u);
  EXPECT_EQ(b.notifications.size(), 1u);
  EXPECT_EQ(dBodyGetNumJoints(a.getOdeBody()), 0);
  EXPECT_EQ(dBodyGetNumJoints(b.getOdeBody()), 0);
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

TEST_F(Contact, DormantObjectsTakePartInContacts) {
  ProbeObject &a = makeProbe(highAbove(0), sphereOf(1));
  ProbeObject &b = makeProbe(highAbove(1), sphereOf(1));
  a.setDynamicsEnabled(true);
  b.setDynamicsEnabled(false, true);
  ASSERT_TRUE(a.testCollide(&b));
  dJointID joint = dBodyGetJoint(a.getOdeBody(), 0);
  EXPECT_EQ(dJointGetBody(joint, 1), b.getOdeBody());
  dJointGroupEmpty(world->getOdeContactJointGroup());
}

TEST_F(Contact, LevelContactJointHoldsTheBodyAgainstTheStaticWorld) {
  SyntheticFragment floor;
  floor.planes = {Ogre::Plane(Ogre::Vector3::UNIT_Z, 5000)};
  ProbeObject &probe = makeProbe(highAbove(), sphereOf(1));
  ASSERT_TRUE(probe.testCollide(&floor.fragment));
  EXPECT_EQ(dBodyGetNumJoints(probe.getOdeBody()), 0);
  probe.setDynamicsEnabled(true);
  ASSERT_TRUE(probe.testCollide(&floor.fragment));
  ASSERT_EQ(dBodyGetNumJoints(probe.getOdeBody()), 1);
  EXPECT_EQ(dJointGetBody(dBodyGetJoint(probe.getOdeBody(), 0), 1), nullptr);
  dJointGroupEmpty(world->getOdeContactJointGroup());
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

TEST_F(Contact, HardSurfacesGetNoSoftConstraintAndLevelContactsUseOwnValues) {
  ProbeObject &a = makeProbe(highAbove(0));
  a.setBounceParameters(0.4f, 0.3f);
  a.setSoftness(0);
  const dSurfaceParameters alone = a.surfaceWith(nullptr);
  EXPECT_EQ(alone.mode, 0x3004);
  EXPECT_FLOAT_EQ(static_cast<float>(alone.bounce), 0.4f);
  EXPECT_FLOAT_EQ(static_cast<float>(alone.bounce_vel), 0.3f);
  EXPECT_EQ(alone.mu, std::numeric_limits<double>::max());
  a.setSoftness(0.2f);
  EXPECT_EQ(a.surfaceWith(nullptr).mode, 0x3014);
}

TEST_F(Contact, DefaultsMatchAFreshObject) {
  ProbeObject &a = makeProbe(highAbove(0));
  EXPECT_EQ(a.getBounceRestitutionValue(), 0);
  EXPECT_FLOAT_EQ(a.getBounceVelocityThreshold(), 0.1f);
  EXPECT_EQ(a.getSoftness(), 0);
  EXPECT_EQ(a.getFriction(), 1.7976931348623157e308);
  EXPECT_TRUE(a.isCollisionEnabled());
  EXPECT_FALSE(a.isDynamicsEnabled());
}

} // namespace
} // namespace sw::test
