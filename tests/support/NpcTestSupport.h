#pragma once
// Helpers of the character and NPC suites: figures made the way the scene
// set-up makes them, frames driven the way the frame loop drives them, and
// the level's solid brushes read from its text description, so that every
// position can be checked against the walls.

#include <string>
#include <vector>

#include <OgreFrameListener.h>
#include <OgreVector.h>
#include <gtest/gtest.h>

namespace OgreRefApp {
class Character;
class NPC;
class World;
} // namespace OgreRefApp

namespace sw::test {

// One solid box of the level description.
struct LevelBrush {
  std::string name;
  Ogre::Vector3 min;
  Ogre::Vector3 max;
};

// The level's brushes that stand higher than a figure can step (walls,
// bulkheads, counters), read once from the description.
const std::vector<LevelBrush> &levelWalls();

// The wall whose footprint holds the point (x, y), or null.
const LevelBrush *wallAt(const Ogre::Vector3 &point);

// The level's doorways (openings in bulkheads; their z extents are unused).
const std::vector<LevelBrush> &levelDoorways();
// The doorway whose footprint holds the point (x, y), or null.
const LevelBrush *doorwayAt(const Ogre::Vector3 &point);

OgreRefApp::World &world();

// A passenger as the station adds one, then put in the state given.
OgreRefApp::NPC &spawnPassenger(const Ogre::Vector3 &position, const char *state);
// Takes an NPC out of later tests' way: no collision, no dynamics, far below the deck.
void retire(OgreRefApp::NPC &npc);
// A crew member of the given prefix, in its pool, as the station adds one.
OgreRefApp::NPC &spawnCrew(const char *prefix, const Ogre::Vector3 &position);
// A chief's character in its clientTable slot (0..2).
OgreRefApp::Character &placeChief(unsigned role, const Ogre::Vector3 &position);

// Brings the scene graph and the level's leaf lists up to date, as rendering would.
void updateScene();

Ogre::FrameEvent frameOf(double seconds);

// Lines of "test.txt" equal to text.
int npcLogLinesEqualTo(const std::string &text);

// Unit vector the clone's face (local +Z) points at, in the horizontal plane.
Ogre::Vector3 facingOf(const OgreRefApp::NPC &npc);

// Frames as the frame loop runs them at 60 frames per second: a walker's
// step is 100 / (fps + 1) units.
constexpr double FRAME_SECONDS = 1.0 / 60;
constexpr float FRAME_STEP = 100.0f / 61;

// A suite in the real level whose passengers are taken out of later tests'
// way when each test ends.
class NpcSceneTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // A passenger standing "Idle", entered in this test's list; with its
  // dynamics off it neither falls nor gets pushed while a test searches.
  OgreRefApp::NPC &standingPassenger(const Ogre::Vector3 &position, bool dynamics);

  std::vector<OgreRefApp::NPC *> spawned;
};

} // namespace sw::test
