// The search's barrier grids and visited hash against the scene's own ray
// query and a scan of the whole record, in the generated ship with figures,
// fires and a crowd standing about: every barrier test within reach, and
// every search record node for node, must come out the same both ways.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include <OgreCamera.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreStringConverter.h>

#include "graphics/GraphicsModule.h"
#include "refapp/OgreRefAppCollideCamera.h"
#include "refapp/OgreRefAppFire.h"
#include "refapp/OgreRefAppLevelBarriers.h"
#include "refapp/OgreRefAppNPC.h"
#include "refapp/OgreRefAppWorld.h"
#include "shell/state/StationState.h"
#include "tests/support/NpcTestSupport.h"
#include "tests/support/RefAppTestScene.h"

namespace sw::test {
namespace {

using OgreRefApp::AINode;
using OgreRefApp::NPC;
using SearchTests = NPC::SearchTests;

// The ship's deck with its walls, level units (see media/level/ship.txt).
constexpr double DECK_MIN_X = -810, DECK_MAX_X = 210;
constexpr double DECK_MIN_Y = -730, DECK_MAX_Y = 490;

struct SearchResult {
  bool found;
  double stepLength;
  NPC::SearchRecord record;
};

class BarrierDifferentialTest : public NpcSceneTest {
protected:
  void TearDown() override {
    NpcSceneTest::TearDown();
    for (OgreRefApp::ApplicationObject *object : props)
      object->setPosition(0, 0, -1000);
    if (playerCamera)
      playerCamera->setPosition(0, 0, -1000);
    updateScene();
  }

  NPC &passenger(const Ogre::Vector3 &position, const char *state = "Idle") {
    NPC &npc = spawnPassenger(position, state);
    npc.setDynamicsEnabled(false, false);
    spawned.push_back(&npc);
    return npc;
  }

  void fire(const Ogre::Vector3 &position, double size) {
    OgreRefApp::Fire *fire = world().createFire(uniqueName("fire"), "Examples/Smoke", size, position);
    fire->setCollisionEnabled(true);
    fire->setDynamicsEnabled(false, false);
    fire->pitch(Ogre::Degree(90));
    fire->yaw(Ogre::Degree(-90));
    props.push_back(fire);
  }

  // The opening scene's fires and lying passengers, and the player's camera.
  void furnish() {
    for (const Ogre::Vector3 &at :
         {Ogre::Vector3(-350, -5, 5), Ogre::Vector3(-350, 30, 5), Ogre::Vector3(-435, 120, 5),
          Ogre::Vector3(-190, -120, 5), Ogre::Vector3(-265, -150, 5)})
      fire(at, 0.5);
    fire(Ogre::Vector3(-410, -5, 5), 0.9);
    for (const Ogre::Vector3 &at :
         {Ogre::Vector3(-420, 225, 2), Ogre::Vector3(-465, 250, 2), Ogre::Vector3(-560, 220, 2),
          Ogre::Vector3(-580, 300, 2), Ogre::Vector3(-210, -260, 2), Ogre::Vector3(-102, -280, 2),
          Ogre::Vector3(-275, -130, 2), Ogre::Vector3(-215, -185, 2)})
      passenger(at, "DeadBack");
    // The player's camera stands in the mess room (an earlier suite may have made it).
    Ogre::SceneManager &scene = *refAppScene().sceneMgr;
    if (!scene.hasCamera("PlayerCam"))
      world().createCamera("PlayerCam", Ogre::Vector3::ZERO);
    playerCamera = scene.getCamera("PlayerCam")->getParentSceneNode();
    playerCamera->setPosition(-300, -40, 10);
    updateScene();
  }

  static SearchResult search(NPC &npc, const Ogre::Vector3 &destination, SearchTests tests) {
    npc.setSearchTests(tests);
    npc.moveToDest(destination);
    npc.setStepLength(10);
    SearchResult result;
    result.found = npc.pathfind(AINode(Ogre::Vector3::ZERO, npc.getPosition(), 10, -1));
    result.stepLength = npc.getStepLength();
    result.record = npc.getSearchRecord();
    npc.setSearchTests(SearchTests::Grids);
    return result;
  }

  static std::string describe(const AINode &node) {
    std::ostringstream text;
    text.precision(17);
    text << "{id " << node.id << ", g " << node.g << ", f " << node.f << ", from "
         << Ogre::StringConverter::toString(node.position) << " to "
         << Ogre::StringConverter::toString(node.endPoint) << "}";
    return text.str();
  }

  // Searches both ways from where npc stands and compares everything kept.
  static void expectSameSearch(NPC &npc, const Ogre::Vector3 &destination) {
    const SearchResult grids = search(npc, destination, SearchTests::Grids);
    const SearchResult rays = search(npc, destination, SearchTests::RayQueries);
    const std::string where = Ogre::StringConverter::toString(npc.getPosition()) + " -> " +
                              Ogre::StringConverter::toString(destination);
    ASSERT_EQ(rays.found, grids.found) << where;
    ASSERT_EQ(rays.stepLength, grids.stepLength) << where;
    ASSERT_EQ(rays.record.size(), grids.record.size()) << where;
    for (std::size_t i = 0; i < rays.record.size(); ++i) {
      const AINode &a = rays.record[i], &b = grids.record[i];
      ASSERT_TRUE(a.id == b.id && a.f == b.f && a.g == b.g && a.length == b.length &&
                  a.direction == b.direction && a.position == b.position && a.endPoint == b.endPoint)
          << where << ": node " << i << " differs: " << describe(a) << " by rays, " << describe(b)
          << " by grids";
    }
  }

  std::vector<OgreRefApp::ApplicationObject *> props;
  Ogre::SceneNode *playerCamera = nullptr;
};

TEST_F(BarrierDifferentialTest, GridsAgreeWithTheRayQueryOnRandomRaysWithinReach) {
  furnish();
  NPC &probe = passenger(Ogre::Vector3(-300, -200, 2));
  updateScene();
  ASSERT_NE(nullptr, OgreRefApp::LevelBarriers::of(refAppScene().sceneMgr));

  std::mt19937 random(12);
  std::uniform_real_distribution<double> x(DECK_MIN_X, DECK_MAX_X), y(DECK_MIN_Y, DECK_MAX_Y),
      angle(0, 2 * M_PI), reach(0, 80), height(-6, 30), chance(0, 1);
  int hits = 0, objectHits = 0, misses = 0;
  constexpr int RAYS = 6000;
  for (int i = 0; i < RAYS; ++i) {
    // Mostly at the search's height, some at wall-probe heights, where only
    // the level counts.
    const bool searchHeight = chance(random) < 0.8;
    const Ogre::Real z = searchHeight ? 0 : static_cast<Ogre::Real>(height(random));
    const Ogre::Vector3 origin(static_cast<Ogre::Real>(x(random)), static_cast<Ogre::Real>(y(random)), z);
    const double a = angle(random);
    const Ogre::Vector3 direction(static_cast<Ogre::Real>(std::cos(a)), static_cast<Ogre::Real>(std::sin(a)),
                                  0);
    const Ogre::Real within = static_cast<Ogre::Real>(reach(random));
    // Objects count beyond the first step only; test both sides of that.
    const double parentG = searchHeight && chance(random) < 0.7 ? 20 : 10;
    probe.setSearchTests(SearchTests::RayQueries);
    const bool byRays = probe.isBarrierWithin(origin, direction, parentG, within);
    probe.setSearchTests(SearchTests::Grids);
    const bool byGrids = probe.isBarrierWithin(origin, direction, parentG, within);
    ASSERT_EQ(byRays, byGrids) << "ray " << i << " from " << Ogre::StringConverter::toString(origin)
                               << " along " << Ogre::StringConverter::toString(direction) << " within "
                               << within << " at g " << parentG;
    if (byRays)
      ++hits;
    else
      ++misses;
    if (byRays && parentG > 10 && !probe.isBarrierWithin(origin, direction, 0, within))
      ++objectHits; // barred by an object alone
  }
  // The sample meets walls, objects and open deck alike.
  EXPECT_GT(hits, RAYS / 10);
  EXPECT_GT(misses, RAYS / 10);
  EXPECT_GT(objectHits, 10);
}

TEST_F(BarrierDifferentialTest, SearchRecordsAreTheSameOnTheSearchTestsRoutes) {
  furnish();
  NPC &other = passenger(Ogre::Vector3(-570, -150, 2));
  (void)other;
  const std::pair<Ogre::Vector3, Ogre::Vector3> routes[] = {
      {{-500, 260, 2}, {-570, -75, 0}},   // the benchmark's, from the lounge to the medic's start
      {{-330, -250, 2}, {-230, -250, 0}}, // open deck
      {{-500, 260, 2}, {-450, 0, 0}},     // out through the lounge door
      {{-600, 180, 0}, {-600, 140, 0}},   // behind a bulkhead: the step grows, then gives up
      {{-792, -50, 2}, {-792, 400, 0}},   // a slot too narrow for any move
      {{-600, -250, 2}, {-560, -100, 0}}, // past another passenger
      {{-300, -60, 2}, {-300, 40, 0}},    // past the player's camera and the fires
      {{-700, -600, 2}, {100, -600, 0}},  // crew quarters to the engine space
  };
  for (const auto &route : routes) {
    NPC &npc = passenger(route.first);
    updateScene();
    expectSameSearch(npc, route.second);
    retire(npc);
  }
}

// 100 passengers on a grid in the mess room, each bound for the mirror image
// of its place, as the benchmark's crowd: every walker's search from the
// crowd's first frame, and again after the crowd has walked a while.
TEST_F(BarrierDifferentialTest, SearchRecordsAreTheSameForEveryWalkerOfACrowd) {
  furnish();
  std::vector<std::pair<NPC *, Ogre::Vector3>> walkers;
  for (int row = 0; row < 10; ++row) {
    for (int column = 0; column < 10; ++column) {
      const Ogre::Vector3 position(-640 + 50 * column, -300 + 40 * row, 2);
      NPC &npc = spawnPassenger(position, "Idle");
      spawned.push_back(&npc);
      walkers.emplace_back(&npc, Ogre::Vector3(-830 - position.x, -240 - position.y, 0));
    }
  }
  updateScene();
  for (const auto &walker : walkers)
    expectSameSearch(*walker.first, walker.second);

  for (const auto &walker : walkers)
    walker.first->moveToDest(walker.second);
  for (int frame = 0; frame < 40; ++frame) {
    world().simulationStep(1.0f / 60);
    for (const auto &walker : walkers)
      walker.first->tick(frameOf(1.0 / 60), 100.0f / 61);
    updateScene();
  }
  // From wherever the walkers got to (walking, arrived or given up); every
  // fifth one, which keeps the slow reference searches within seconds.
  for (std::size_t i = 0; i < walkers.size(); i += 5)
    expectSameSearch(*walkers[i].first, walkers[i].second);
}

} // namespace
} // namespace sw::test
