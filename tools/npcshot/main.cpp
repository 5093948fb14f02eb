// Renders passengers of the real level walking from the lounge through its
// door towards the mess room, seen from above the corridor, and writes the
// picture once the first of them stands in the doorway.
//
//   npcshot [picture.png [crowd]]
//
// With a crowd size, that many passengers are added to the lounge one every
// ORDER_INTERVAL frames, as a trainer adds them, each on the first free
// place of a grid (a figure is about 60 units wide, so the lounge holds 45)
// and ordered at once to its own place in the mess room; the picture is taken
// when the last one has been added and CROWD_TAIL_FRAMES more have passed.
// Those that find no way (the doorway full of others) give up after five
// searches, as every walker does; as a trainer would, the tool orders those
// still standing in the lounge again every ORDER_INTERVAL frames.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <OgreAnimationState.h>
#include <OgreCamera.h>
#include <OgreConfigFile.h>
#include <OgreEntity.h>
#include <OgreFrameListener.h>
#include <OgreLight.h>
#include <OgreRenderWindow.h>
#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreViewport.h>

#include "refapp/OgreRefAppLevelBarriers.h"
#include "refapp/OgreRefAppNPC.h"
#include "refapp/OgreRefAppWorld.h"

namespace {

const std::string STAGE_BIN = SW_STAGE_BIN;
constexpr double FRAME_SECONDS = 1.0 / 60;
constexpr Ogre::Real FRAME_STEP = 100.0f / 61;
constexpr int MAX_FRAMES = 2000;
constexpr int ORDER_INTERVAL = 90;
constexpr int CROWD_TAIL_FRAMES = 60;
constexpr Ogre::Real PLACE_SPACING = 60;

// Half-way through the lounge door (x -260..-240, y 200..310).
bool inLoungeDoor(const Ogre::Vector3 &p) {
  return p.x > -250 && p.x < -238 && p.y > 200 && p.y < 310;
}

bool inLounge(const Ogre::Vector3 &p) {
  return p.x < -250 && p.y > 190;
}

// Those who gave up inside the lounge set off again.
void reorderStandingInLounge(const std::vector<OgreRefApp::NPC *> &crowd) {
  for (OgreRefApp::NPC *npc : crowd)
    if (!npc->isMoving() && inLounge(npc->getPosition()))
      npc->moveToDest(npc->getDestination());
}

Ogre::RenderWindow *openWindow(Ogre::Root &root) {
  for (const char *plugin : {"RenderSystem_GL", "Plugin_BSPSceneManager", "Plugin_ParticleFX", "Codec_STBI"})
    root.loadPlugin(std::string(SW_OGRE_PLUGIN_DIR) + "/" + plugin);
  Ogre::RenderSystem *gl = root.getRenderSystemByName("OpenGL Rendering Subsystem");
  root.setRenderSystem(gl);
  gl->setConfigOption("Full Screen", "No");
  root.initialise(false);
  return root.createRenderWindow("npcshot", 800, 600, false);
}

void addStageResources() {
  Ogre::ConfigFile file;
  file.load(STAGE_BIN + "/resources.cfg", "\t:=", true);
  for (const auto &section : file.getSettingsBySection())
    for (const auto &setting : section.second)
      Ogre::ResourceGroupManager::getSingleton().addResourceLocation(STAGE_BIN + "/" + setting.second,
                                                                     setting.first, section.first);
  Ogre::ResourceGroupManager::getSingleton().initialiseAllResourceGroups();
}

OgreRefApp::NPC *walker(OgreRefApp::World &world, int index, const Ogre::Vector3 &from,
                        const Ogre::Vector3 &to) {
  OgreRefApp::NPC *npc = world.createNPC("passenger" + std::to_string(index), "passenger1.mesh", from);
  npc->setCollisionEnabled(true);
  npc->setDynamicsEnabled(true, true);
  npc->pitch(Ogre::Degree(90));
  npc->yaw(Ogre::Degree(-90));
  npc->setState("Idle");
  npc->moveToDest(to);
  return npc;
}

// The lounge's places for new passengers, nearest the door (east) first.
std::vector<Ogre::Vector3> loungePlaces() {
  std::vector<Ogre::Vector3> places;
  for (int column = 0; column < 9; ++column)
    for (int row = 0; row < 5; ++row)
      places.emplace_back(-300 - PLACE_SPACING * column, 205 + PLACE_SPACING * row, 2);
  return places;
}

// Adds passenger number index on the first lounge place that nobody stands
// on, bound for its place in the mess room (far rows first, so that those who
// arrived never stand in the way of those to come); null while every place
// is taken.
OgreRefApp::NPC *addPassenger(OgreRefApp::World &world, int index,
                              const std::vector<OgreRefApp::NPC *> &crowd) {
  for (const Ogre::Vector3 &place : loungePlaces()) {
    bool taken = false;
    for (const OgreRefApp::NPC *other : crowd)
      taken = taken || other->getPosition().squaredDistance(place) < PLACE_SPACING * PLACE_SPACING;
    if (!taken)
      return walker(world, index, place,
                    Ogre::Vector3(-770 + 65 * (index % 14), -310 + 60 * ((index / 14) % 8), 0));
  }
  return nullptr;
}

} // namespace

int main(int argc, char **argv) {
  const std::string picture = argc > 1 ? argv[1] : "npcshot.png";
  Ogre::Root root("", "", "npcshot.log");
  Ogre::RenderWindow *window = openWindow(root);
  addStageResources();

  Ogre::SceneManager *scene = root.createSceneManager("BspSceneManager");
  OgreRefApp::World world(scene, OgreRefApp::WT_BSP);
  world.setGravity(Ogre::Vector3(0, 0, -60));
  scene->setWorldGeometry("ogretestmap.bsp");
  scene->setAmbientLight(Ogre::ColourValue(0.5f, 0.5f, 0.5f));
  Ogre::Light *light = scene->createLight("MainLight");
  scene->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(-250, 250, 300))->attachObject(light);

  // Named as the program names its camera: the path search passes over it
  // by that name, where its frustum's box would otherwise bar every move.
  Ogre::Camera *camera = scene->createCamera("PlayerCam");
  camera->setNearClipDistance(1);
  camera->setFarClipDistance(5000);
  Ogre::SceneNode *eye = scene->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(-150, 120, 330));
  eye->attachObject(camera);
  eye->setFixedYawAxis(true, Ogre::Vector3::UNIT_Z);
  eye->lookAt(Ogre::Vector3(-300, 255, 0), Ogre::Node::TS_WORLD);
  Ogre::Viewport *viewport = window->addViewport(camera);
  camera->setAspectRatio(Ogre::Real(viewport->getActualWidth()) / Ogre::Real(viewport->getActualHeight()));

  const int crowdSize = argc > 2 ? std::max(1, std::min(100, std::atoi(argv[2]))) : 0;
  std::vector<OgreRefApp::NPC *> walkers;
  if (crowdSize == 0)
    walkers = std::vector<OgreRefApp::NPC *>{
        walker(world, 0, Ogre::Vector3(-420, 250, 2), Ogre::Vector3(-300, 0, 0)),
        walker(world, 1, Ogre::Vector3(-520, 330, 2), Ogre::Vector3(-350, -40, 0)),
        walker(world, 2, Ogre::Vector3(-600, 230, 2), Ogre::Vector3(-250, 30, 0))};
  if (crowdSize > 0) {
    // The whole lounge and the mess room beyond its door.
    eye->setPosition(-120, 60, 760);
    eye->lookAt(Ogre::Vector3(-450, 140, 0), Ogre::Node::TS_WORLD);
  }

  Ogre::FrameEvent evt;
  evt.timeSinceLastEvent = evt.timeSinceLastFrame = static_cast<Ogre::Real>(FRAME_SECONDS);
  int frame = 0;
  int tail = CROWD_TAIL_FRAMES;
  // A crowd is shot by then at the latest, even if some places never freed.
  const int lastFrame = crowdSize > 0 ? 3 * crowdSize * ORDER_INTERVAL + CROWD_TAIL_FRAMES : MAX_FRAMES;
  for (; frame < lastFrame; ++frame) {
    if (static_cast<int>(walkers.size()) < crowdSize && frame % ORDER_INTERVAL == 0) {
      reorderStandingInLounge(walkers);
      if (OgreRefApp::NPC *added = addPassenger(world, static_cast<int>(walkers.size()), walkers))
        walkers.push_back(added);
    }
    world.simulationStep(static_cast<Ogre::Real>(FRAME_SECONDS));
    for (OgreRefApp::NPC *npc : walkers) {
      npc->getCurrentAnimation()->addTime(static_cast<Ogre::Real>(FRAME_SECONDS));
      npc->tick(evt, FRAME_STEP);
    }
    scene->getRootSceneNode()->_update(true, false);
    OgreRefApp::LevelBarriers::invalidateMovables(); // as rendering the frame would
    if (crowdSize > 0 ? static_cast<int>(walkers.size()) == crowdSize && --tail == 0
                      : inLoungeDoor(walkers[0]->getPosition()))
      break;
  }
  root.renderOneFrame();
  window->writeContentsToFile(picture);
  std::printf("frame %d, picture %s\n", frame, picture.c_str());
  for (const OgreRefApp::NPC *npc : walkers)
    std::printf("  %s at %s, %s\n", npc->getName().c_str(),
                Ogre::StringConverter::toString(npc->getPosition()).c_str(),
                npc->getCurrentAnimationName().c_str());
  world.clear();
  return 0;
}
