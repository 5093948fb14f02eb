#include "tests/support/NpcTestSupport.h"

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include <OgreAnimationState.h>
#include <OgreMath.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include "graphics/GraphicsModule.h"
#include "refapp/OgreRefAppCharacter.h"
#include "refapp/OgreRefAppLevelBarriers.h"
#include "refapp/OgreRefAppNPC.h"
#include "refapp/OgreRefAppWorld.h"
#include "shell/state/ObjectKinds.h"
#include "shell/state/StationState.h"
#include "tests/support/RefAppTestScene.h"

namespace sw::test {
namespace {

// Brushes up to this height can be stepped over (the deck, the hatch cover).
constexpr Ogre::Real STEPPABLE_HEIGHT = 10;

// Reads the records of one kind: "brush NAME TEXTURE X0 Y0 Z0 X1 Y1 Z1" or
// "doorway NAME X0 Y0 X1 Y1".
std::vector<LevelBrush> readRecords(const std::string &wanted) {
  std::vector<LevelBrush> records;
  std::ifstream in(SW_LEVEL_DESCRIPTION);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string kind;
    LevelBrush record;
    if (!(fields >> kind) || kind != wanted)
      continue;
    if (kind == "brush") {
      std::string texture;
      fields >> record.name >> texture >> record.min.x >> record.min.y >> record.min.z >> record.max.x >>
          record.max.y >> record.max.z;
    } else {
      fields >> record.name >> record.min.x >> record.min.y >> record.max.x >> record.max.y;
    }
    if (fields)
      records.push_back(record);
  }
  return records;
}

const LevelBrush *footprintAt(const std::vector<LevelBrush> &records, const Ogre::Vector3 &point) {
  for (const LevelBrush &record : records) {
    if (point.x > record.min.x && point.x < record.max.x && point.y > record.min.y && point.y < record.max.y)
      return &record;
  }
  return nullptr;
}

} // namespace

const std::vector<LevelBrush> &levelWalls() {
  static const std::vector<LevelBrush> walls = [] {
    std::vector<LevelBrush> high;
    for (const LevelBrush &brush : readRecords("brush"))
      if (brush.max.z > STEPPABLE_HEIGHT)
        high.push_back(brush);
    return high;
  }();
  return walls;
}

const LevelBrush *wallAt(const Ogre::Vector3 &point) {
  return footprintAt(levelWalls(), point);
}

const std::vector<LevelBrush> &levelDoorways() {
  static const std::vector<LevelBrush> doorways = readRecords("doorway");
  return doorways;
}

const LevelBrush *doorwayAt(const Ogre::Vector3 &point) {
  return footprintAt(levelDoorways(), point);
}

OgreRefApp::World &world() {
  return *refAppScene().world;
}

OgreRefApp::NPC &spawnPassenger(const Ogre::Vector3 &position, const char *state) {
  OgreRefApp::NPC &npc = *graphicsModule.spawnPassenger(position);
  npc.setState(state);
  // The injury the pose stands for: lying 2, sitting 1, up 0.
  const std::string pose = state;
  npc.injuryLevel = pose == OgreRefApp::STATE_DEAD_SITTING ? 1 : OgreRefApp::isDeadState(pose) ? 2 : 0;
  return npc;
}

void retire(OgreRefApp::NPC &npc) {
  npc.setCollisionEnabled(false);
  npc.setDynamicsEnabled(false, false);
  npc.setPosition(0, 0, -1000);
}

OgreRefApp::NPC &spawnCrew(const char *prefix, const Ogre::Vector3 &position) {
  return std::string(prefix) == FIRE_CREW_PREFIX ? *graphicsModule.spawnFiremanCrew(position)
                                                 : *graphicsModule.spawnMedicCrew(position);
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

void updateScene() {
  refAppScene().sceneMgr->getRootSceneNode()->_update(true, false);
  // No frame was rendered: the search's copy of the objects must be renewed by hand.
  OgreRefApp::LevelBarriers::invalidateMovables();
}

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

void NpcSceneTest::SetUp() {
  ASSERT_TRUE(refAppScene().levelLoaded);
}

void NpcSceneTest::TearDown() {
  for (OgreRefApp::NPC *npc : spawned)
    retire(*npc);
}

OgreRefApp::NPC &NpcSceneTest::standingPassenger(const Ogre::Vector3 &position, bool dynamics) {
  OgreRefApp::NPC &npc = spawnPassenger(position, "Idle");
  if (!dynamics)
    npc.setDynamicsEnabled(false, false);
  spawned.push_back(&npc);
  updateScene();
  return npc;
}

} // namespace sw::test
