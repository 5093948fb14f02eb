// Renders passengers of the real level walking from the lounge through its
// door towards the mess room, seen from above the corridor, and writes the
// picture once the first of them stands in the doorway.
//
//   npcshot [picture.png [crowd]]
//
// With a crowd size, that many passengers stand on a grid in the lounge and
// all walk out to the mess room; the picture is taken after CROWD_FRAMES.

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
constexpr int CROWD_FRAMES = 420;

// Half-way through the lounge door (x -260..-240, y 200..310).
bool inLoungeDoor(const Ogre::Vector3 &p) {
  return p.x > -250 && p.x < -238 && p.y > 200 && p.y < 310;
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

// Up to 100 passengers on a 10-wide grid in the lounge (x -770..-290,
// y 200..460), each bound for a place in the mess room.
std::vector<OgreRefApp::NPC *> crowd(OgreRefApp::World &world, int count) {
  std::vector<OgreRefApp::NPC *> walkers;
  for (int i = 0; i < count; ++i) {
    const int column = i % 10, row = i / 10;
    const Ogre::Vector3 from(-770 + 52 * column, 210 + 26 * row, 2);
    const Ogre::Vector3 to(-700 + 45 * column, 80 - 30 * row, 0);
    walkers.push_back(walker(world, i, from, to));
  }
  return walkers;
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

  Ogre::Camera *camera = scene->createCamera("ShotView");
  camera->setNearClipDistance(1);
  camera->setFarClipDistance(5000);
  Ogre::SceneNode *eye = scene->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(-150, 120, 330));
  eye->attachObject(camera);
  eye->setFixedYawAxis(true, Ogre::Vector3::UNIT_Z);
  eye->lookAt(Ogre::Vector3(-300, 255, 0), Ogre::Node::TS_WORLD);
  Ogre::Viewport *viewport = window->addViewport(camera);
  camera->setAspectRatio(Ogre::Real(viewport->getActualWidth()) / Ogre::Real(viewport->getActualHeight()));

  const int crowdSize = argc > 2 ? std::max(1, std::min(100, std::atoi(argv[2]))) : 0;
  std::vector<OgreRefApp::NPC *> walkers =
      crowdSize > 0 ? crowd(world, crowdSize)
                    : std::vector<OgreRefApp::NPC *>{
                          walker(world, 0, Ogre::Vector3(-420, 250, 2), Ogre::Vector3(-300, 0, 0)),
                          walker(world, 1, Ogre::Vector3(-520, 330, 2), Ogre::Vector3(-350, -40, 0)),
                          walker(world, 2, Ogre::Vector3(-600, 230, 2), Ogre::Vector3(-250, 30, 0))};
  if (crowdSize > 0) {
    // The whole lounge and the mess room beyond its door.
    eye->setPosition(-250, 330, 520);
    eye->lookAt(Ogre::Vector3(-480, 180, 0), Ogre::Node::TS_WORLD);
  }

  Ogre::FrameEvent evt;
  evt.timeSinceLastEvent = evt.timeSinceLastFrame = static_cast<Ogre::Real>(FRAME_SECONDS);
  int frame = 0;
  for (; frame < MAX_FRAMES; ++frame) {
    world.simulationStep(static_cast<Ogre::Real>(FRAME_SECONDS));
    for (OgreRefApp::NPC *npc : walkers) {
      npc->getCurrentAnimation()->addTime(static_cast<Ogre::Real>(FRAME_SECONDS));
      npc->tick(evt, FRAME_STEP);
    }
    scene->getRootSceneNode()->_update(true, false);
    OgreRefApp::LevelBarriers::invalidateMovables(); // as rendering the frame would
    if (crowdSize > 0 ? frame + 1 >= CROWD_FRAMES : inLoungeDoor(walkers[0]->getPosition()))
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
