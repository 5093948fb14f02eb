// The exercise's initial objects in the real level: names, kinds, states,
// counters and crew pools after set-up, and the name of a fire added later.
// Run under Xvfb (the shared world-test scene opens a GL window).
#include <array>
#include <string>

#include <gtest/gtest.h>

#include "graphics/GraphicsModule.h"
#include "refapp/OgreRefAppApplicationObject.h"
#include "refapp/OgreRefAppFire.h"
#include "refapp/OgreRefAppNPC.h"
#include "shell/state/StationState.h"
#include "tests/level/ShipPositions.h"
#include "tests/support/RefAppTestScene.h"

namespace {

const std::array<const char *, 18> EXPECTED_NAMES = {
    "fireparticle0", "fireparticle1", "fireparticle2",   "fireparticle3",   "passenger4",     "passenger5",
    "passenger6",    "passenger7",    "fireparticle8",   "passenger9",      "fireparticle10", "passenger11",
    "passenger12",   "passenger13",   "CREWilkyardim14", "CREWilkyardim15", "CREWyangin16",   "CREWyangin17"};

class InitialObjects : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    sw::test::refAppScene();
    graphicsModule.createInitialObjects();
  }
};

TEST_F(InitialObjects, EveryStationGetsTheSameEighteenNames) {
  ASSERT_EQ(graphicsModule.namedObjects.size(), EXPECTED_NAMES.size());
  for (const char *name : EXPECTED_NAMES)
    EXPECT_NE(findNamedObject(name), nullptr) << name;
}

TEST_F(InitialObjects, PassengersLieOnTheirBacksAndCrewStandIdle) {
  int lying = 0;
  int idle = 0;
  for (const auto &[name, object] : graphicsModule.namedObjects) {
    if (name.find("fireparticle") != std::string::npos) {
      EXPECT_NE(dynamic_cast<OgreRefApp::Fire *>(object), nullptr) << name;
      continue;
    }
    auto *npc = dynamic_cast<OgreRefApp::NPC *>(object);
    ASSERT_NE(npc, nullptr) << name;
    if (name.find("passenger") != std::string::npos) {
      EXPECT_EQ(npc->getCurrentAnimationName(), "DeadBack") << name;
      EXPECT_TRUE(npc->isCollisionEnabled()) << name;
      lying += npc->getCurrentAnimationName() == "DeadBack";
    } else {
      EXPECT_EQ(npc->getCurrentAnimationName(), "Idle") << name;
      idle += npc->getCurrentAnimationName() == "Idle";
    }
  }
  EXPECT_EQ(lying, 8);
  EXPECT_EQ(idle, 4);
}

TEST_F(InitialObjects, CountersAndCrewPoolsFollowTheCreatedObjects) {
  EXPECT_EQ(passengerCount, 8.0);
  EXPECT_EQ(fireCount, 6.0);
  ASSERT_EQ(medicCrewPool.size(), 2u);
  ASSERT_EQ(fireCrewPool.size(), 2u);
  EXPECT_EQ(medicCrewPool.back(), findNamedObject("CREWilkyardim15"));
  EXPECT_EQ(fireCrewPool.back(), findNamedObject("CREWyangin17"));
}

// Against the level's own list of fixed places, kept apart from the
// station's table on purpose.
TEST_F(InitialObjects, ObjectsStandWhereTheShipsLayoutPutsThem) {
  const auto check = [](const char *prefix, const std::vector<shiptest::Place> &places) {
    for (const shiptest::Place &place : places) {
      const std::string number = place.what.substr(place.what.rfind(' ') + 1);
      const OgreRefApp::ApplicationObject *object = findNamedObject(prefix + number);
      ASSERT_NE(object, nullptr) << place.what;
      const Ogre::Vector3 at = object->getPosition();
      // Passengers and crew may settle a little on the deck.
      EXPECT_NEAR(at.x, place.at[0], 1.0) << place.what;
      EXPECT_NEAR(at.y, place.at[1], 1.0) << place.what;
    }
  };
  check("fireparticle", shiptest::fires());
  check("passenger", shiptest::passengers());
  check("CREWilkyardim", {shiptest::crew()[0], shiptest::crew()[1]});
  check("CREWyangin", {shiptest::crew()[2], shiptest::crew()[3]});
}

TEST_F(InitialObjects, FireAddedLaterIsNumberedAfterEveryEntry) {
  const std::size_t before = graphicsModule.namedObjects.size();
  OgreRefApp::Fire *fire = graphicsModule.spawnFire(false, 0.5, Ogre::Vector3(-300, 0, 10));
  EXPECT_EQ(findNamedObject("fireparticle" + std::to_string(before)), fire);
  EXPECT_EQ(graphicsModule.namedObjects.size(), before + 1);
  EXPECT_EQ(fireCount, 7.0);
  EXPECT_FALSE(fire->isDynamicsEnabled());
}

} // namespace
