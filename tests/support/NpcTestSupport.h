#pragma once
// Helpers of the character and NPC suites: figures made the way the scene
// set-up makes them, frames driven the way the frame loop drives them, and
// the level's solid brushes read from its text description, so that every
// position can be checked against the walls.

#include <string>
#include <vector>

#include <OgreFrameListener.h>
#include <OgreVector.h>

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

} // namespace sw::test
