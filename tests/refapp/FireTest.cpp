#include <OgreEntity.h>
#include <OgreParticleSystem.h>
#include <OgreSceneNode.h>

#include "refapp/OgreRefAppFire.h"
#include "tests/support/WorldTestFixture.h"

namespace sw::test {
namespace {

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

TEST_F(FireTest, SetUpBuildsParticlesHiddenBoxAndAStillBody) {
  OgreRefApp::Fire *fire = makeFire(0.5);
  EXPECT_EQ(fire->getSceneNode()->getScale(), Ogre::Vector3::UNIT_SCALE);
  EXPECT_EQ(fire->getParticleNode()->getScale(), Ogre::Vector3(0.5f));
  EXPECT_EQ(fire->getParticleNode()->getParent(), fire->getSceneNode());
  EXPECT_EQ(fire->getCubeNode()->getScale(), Ogre::Vector3(0.5f, 1, 0.5f));
  EXPECT_EQ(fire->getCubeNode()->getParent(), fire->getSceneNode());
  EXPECT_FALSE(fire->getEntity()->getVisible());
  EXPECT_EQ(OgreRefApp::ApplicationObject::fromMovable(fire->getEntity()), fire);
  EXPECT_TRUE(fire->getParticleSystem()->getKeepParticlesInLocalSpace());
  EXPECT_GT(fire->getParticleSystem()->getNumParticles(), 0u); // already burning
  EXPECT_FALSE(fire->isDynamicsEnabled());
  EXPECT_EQ(world->getDynamicsObjects().count(fire), 0u);
  ASSERT_NE(fire->getOdeBody(), nullptr);
  EXPECT_EQ(fire->getPosition(), highAbove());
}

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

TEST_F(FireTest, SizeScalesTheParticlesButNotTheCollisionBox) {
  OgreRefApp::Fire *fire = makeFire(2);
  EXPECT_EQ(fire->getParticleNode()->getScale(), Ogre::Vector3(2));
  // Whatever the size, the box lengths divided by 150, 150 and 250 form a
  // unit vector: only the bounds' direction enters.
  const Ogre::Vector3 l = lengths(*fire);
  EXPECT_NEAR(Ogre::Vector3(l.x / 150, l.y / 150, l.z / 250).length(), 1, 1e-4);
}

TEST_F(FireTest, ResizingShrinksEachBoxLengthByItsFactor) {
  OgreRefApp::Fire *fire = makeFire(0.5);
  dGeomBoxSetLengths(box(*fire), 150, 250, 150);
  fire->resizeCollisionArea(Ogre::Vector3(0.99f, 0.99f, 0.99f));
  const Ogre::Vector3 l = lengths(*fire);
  EXPECT_NEAR(l.x, 148.5, 1e-4);
  EXPECT_NEAR(l.y, 247.5, 1e-4);
  EXPECT_NEAR(l.z, 148.5, 1e-4);
}

TEST_F(FireTest, CollisionAreaStaysOnceCollisionIsOff) {
  OgreRefApp::Fire *fire = makeFire(0.5);
  dGeomBoxSetLengths(box(*fire), 150, 250, 150);
  fire->setCollisionEnabled(false);
  EXPECT_EQ(fire->getEntity()->getQueryFlags(), 0u);
  fire->changeFireCollisionArea();
  EXPECT_EQ(lengths(*fire), Ogre::Vector3(150, 250, 150));
  fire->resizeCollisionArea(Ogre::Vector3(0.5f));
  EXPECT_EQ(lengths(*fire), Ogre::Vector3(150, 250, 150));
}

TEST_F(FireTest, CollisionsNeverMoveAFireNorWakeItsDynamics) {
  RecordedAssertions recorded;
  OgreRefApp::Fire *fire = makeFire(0.5);
  ProbeObject::Options big;
  big.radius = 60;
  ProbeObject &pusher = makeProbe(highAbove(10), big);
  pusher.setDynamicsEnabled(true);
  ASSERT_TRUE(pusher.testCollide(fire));
  SyntheticFragment floor;
  floor.planes = {Ogre::Plane(Ogre::Vector3::UNIT_Z, 4990)};
  ASSERT_TRUE(fire->testCollide(&floor.fragment));
  world->_applyDynamics(world->getSimulationStepSize());
  EXPECT_TRUE(RecordedAssertions::failures.empty());
  EXPECT_EQ(fire->getPosition(), highAbove());
  EXPECT_FALSE(fire->isDynamicsEnabled());
  EXPECT_EQ(world->getDynamicsObjects().count(fire), 0u);
}

TEST_F(FireTest, ExtinguishingStepsShrinkNodeAndBoxTogether) {
  OgreRefApp::Fire *fire = makeFire(0.5);
  dGeomBoxSetLengths(box(*fire), 150, 250, 150);
  const double expected[] = {0.99, 0.9702, 0.93159, 0.85854, 0.72850, 0.52343, 0.26874, 0.06953};
  double boxWidth = 150;
  for (double perAxis : expected) {
    Ogre::SceneNode *node = fire->getSceneNode();
    ASSERT_GT(node->getScale().length(), 0.4f);
    const Ogre::Vector3 k = node->getScale() - Ogre::Vector3(0.01f);
    node->scale(k);
    fire->resizeCollisionArea(k);
    boxWidth *= k.x;
    EXPECT_NEAR(node->getScale().x, perAxis, 1e-4);
    EXPECT_NEAR(lengths(*fire).x, boxWidth, 1e-3);
  }
  EXPECT_LE(fire->getSceneNode()->getScale().length(), 0.4f);
}

} // namespace
} // namespace sw::test
