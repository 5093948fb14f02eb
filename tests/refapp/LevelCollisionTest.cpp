// The collision pass against the generated ship: the BSP scene manager's
// intersection query pairs movables with each other and with level brushes.

#include "tests/refapp/WorldTestFixture.h"

namespace sw::test {
namespace {

class LevelCollision : public WorldTest {
protected:
  void SetUp() override {
    WorldTest::SetUp();
    if (!refAppScene().levelLoaded)
      GTEST_SKIP() << "the stage has no level yet";
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

TEST_F(LevelCollision, OverlappingMovablesAreNotifiedOfEachOther) {
  ProbeObject &a = visibleProbe(OPEN_DECK + Ogre::Vector3(0, 0, 40), 10);
  ProbeObject &b = visibleProbe(OPEN_DECK + Ogre::Vector3(15, 0, 40), 10);
  renderOneFrame();
  world->_applyCollision();
  dJointGroupEmpty(world->getOdeContactJointGroup());
  auto touchedBy = [](const ProbeObject &p, const ProbeObject *other) {
    for (const auto &n : p.notifications)
      if (n.other == other)
        return true;
    return false;
  };
  EXPECT_TRUE(touchedBy(a, &b));
  EXPECT_TRUE(touchedBy(b, &a));
}

TEST_F(LevelCollision, ObjectOnTheDeckTouchesTheDecksTopPlane) {
  ProbeObject &probe = visibleProbe(OPEN_DECK + Ogre::Vector3(0, 0, 8), 10);
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
      EXPECT_NEAR(n.info.penetrationDepth, 2, 1e-3);
    }
  }
  EXPECT_TRUE(deckTop);
}

TEST_F(LevelCollision, ObjectsInTheOpenTouchNothing) {
  ProbeObject &probe = visibleProbe(OPEN_DECK + Ogre::Vector3(0, 0, 50), 10);
  renderOneFrame();
  world->_applyCollision();
  EXPECT_TRUE(probe.notifications.empty());
}

} // namespace
} // namespace sw::test
