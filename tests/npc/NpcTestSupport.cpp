#include "tests/npc/NpcTestSupport.h"

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include <OgreAnimationState.h>
#include <OgreMath.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include "graphics/GraphicsModule.h"
#include "refapp/OgreRefAppCharacter.h"
#include "refapp/OgreRefAppNPC.h"
#include "refapp/OgreRefAppWorld.h"
#include "shell/StationState.h"
#include "tests/refapp/RefAppTestScene.h"

namespace sw::test {
namespace {

// Brushes up to this height can be stepped over (the deck, the hatch cover).
constexpr Ogre::Real STEPPABLE_HEIGHT = 10;

std::vector<LevelBrush> readWalls() {
  std::vector<LevelBrush> walls;
  std::ifstream in(SW_LEVEL_DESCRIPTION);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string kind;
    LevelBrush brush;
    std::string texture;
    if (!(fields >> kind) || kind != "brush")
      continue;
    fields >> brush.name >> texture >> brush.min.x >> brush.min.y >> brush.min.z >> brush.max.x >> brush.max.y >>
        brush.max.z;
    if (fields && brush.max.z > STEPPABLE_HEIGHT)
      walls.push_back(brush);
  }
  return walls;
}

} // namespace

const std::vector<LevelBrush> &levelWalls() {
  static const std::vector<LevelBrush> walls = readWalls();
  return walls;
}

const LevelBrush *wallAt(const Ogre::Vector3 &point) {
  for (const LevelBrush &wall : levelWalls()) {
    if (point.x > wall.min.x && point.x < wall.max.x && point.y > wall.min.y && point.y < wall.max.y)
      return &wall;
  }
  return nullptr;
}

OgreRefApp::World &world() { return *refAppScene().world; }

void turnUpright(OgreRefApp::NPC &npc) {
  npc.pitch(Ogre::Degree(90));
  npc.yaw(Ogre::Degree(-90));
}

OgreRefApp::NPC &spawnPassenger(const Ogre::Vector3 &position, const char *state) {
  const std::string name = makeObjectName(PASSENGER_PREFIX);
  OgreRefApp::NPC *npc = world().createNPC(name, "passenger1.mesh", position);
  graphicsModule.namedObjects[name] = npc;
  npc->setCollisionEnabled(true);
  npc->setDynamicsEnabled(true, true);
  turnUpright(*npc);
  npc->setState(state);
  return *npc;
}

void retire(OgreRefApp::NPC &npc) {
  npc.setCollisionEnabled(false);
  npc.setDynamicsEnabled(false, false);
  npc.setPosition(0, 0, -1000);
}

OgreRefApp::NPC &spawnCrew(const char *prefix, const char *meshName, const Ogre::Vector3 &position) {
  const std::string name = makeObjectName(prefix);
  OgreRefApp::NPC *npc = world().createNPC(name, meshName, position);
  graphicsModule.namedObjects[name] = npc;
  npc->setDisabled();
  turnUpright(*npc);
  npc->setState(OgreRefApp::STATE_IDLE);
  return *npc;
}

OgreRefApp::Character &placeChief(unsigned role, const Ogre::Vector3 &position) {
  std::unique_ptr<ClientRecord> &slot = clientTable[role];
  if (!slot) {
    slot = makeClientRecord(role);
    slot->character = world().createCharacter(slot->name, slot->mesh);
    // Like a chief's own character: it neither shows nor collides.
    slot->character->setCollisionEnabled(false);
    slot->character->setDynamicsEnabled(false, false);
    slot->character->setState(OgreRefApp::STATE_IDLE);
  }
  slot->character->setPosition(position);
  return *slot->character;
}

void updateScene() { refAppScene().sceneMgr->getRootSceneNode()->_update(true, false); }

Ogre::FrameEvent frameOf(double seconds) {
  Ogre::FrameEvent evt;
  evt.timeSinceLastEvent = static_cast<Ogre::Real>(seconds);
  evt.timeSinceLastFrame = static_cast<Ogre::Real>(seconds);
  return evt;
}

int npcLogLinesEqualTo(const std::string &text) {
  std::ifstream in("test.txt");
  std::string line;
  int count = 0;
  while (std::getline(in, line))
    count += line == text ? 1 : 0;
  return count;
}

Ogre::Vector3 facingOf(const OgreRefApp::NPC &npc) {
  Ogre::Vector3 face = npc.getCloneNode()->_getDerivedOrientation() * Ogre::Vector3::UNIT_Z;
  face.z = 0;
  face.normalise();
  return face;
}

} // namespace sw::test
