// The frame cost of a station while the exercise runs, in the real level and
// a real 1024 x 768 render window: the world step, the figures' animations
// and the NPC ticks (simulation), one action pick through the window's centre
// (picking: the action key picks at most every 61 frames, so this is the
// worst case), and the rendering of the frame, each timed apart. Once with
// the 18 initial objects, once with 50 added passengers walking across the
// mess room. Prints figures; run from the build tree under Xvfb with the
// software renderer:
//   LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1280x1024x24" bench/frame/frame_bench

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <OgreCamera.h>
#include <OgreFrameListener.h>
#include <OgreRenderWindow.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreSceneQuery.h>
#include <OgreViewport.h>

#include "graphics/GraphicsModule.h"
#include "graphics/ScenePicking.h"
#include "refapp/OgreRefAppLevelBarriers.h"
#include "refapp/OgreRefAppNPC.h"
#include "refapp/OgreRefAppWorld.h"
#include "shell/state/StationState.h"
#include "tests/support/RefAppTestScene.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double FRAME_SECONDS = 1.0 / 60;
constexpr Ogre::Real FRAME_STEP = 100.0f / 61; // the frame loop's walk step at 60 frames per second
constexpr unsigned WINDOW_WIDTH = 1024;
constexpr unsigned WINDOW_HEIGHT = 768;
// The medic's start, eyes 15 units up, looking along the deck towards +x.
const Ogre::Vector3 EYE(-570, -75, 16);

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Station {
  Ogre::RenderWindow *window = nullptr;
  Ogre::Camera *camera = nullptr;
  Ogre::RaySceneQuery *query = nullptr;
};

Station openStationWindow() {
  sw::test::RefAppScene &scene = sw::test::refAppScene();
  scene.window->setAutoUpdated(false); // the support's small window is not drawn
  Station station;
  station.window =
      scene.root->createRenderWindow("Sternwake frame bench", WINDOW_WIDTH, WINDOW_HEIGHT, false);
  station.camera = scene.sceneMgr->createCamera("FrameBenchView");
  station.camera->setNearClipDistance(1);
  station.camera->setAspectRatio(Ogre::Real(WINDOW_WIDTH) / Ogre::Real(WINDOW_HEIGHT));
  Ogre::SceneNode *node = scene.sceneMgr->getRootSceneNode()->createChildSceneNode(EYE);
  node->attachObject(station.camera);
  node->setFixedYawAxis(true, Ogre::Vector3::UNIT_Z);
  node->lookAt(EYE + Ogre::Vector3(100, 0, 0), Ogre::Node::TS_WORLD);
  station.window->addViewport(station.camera);
  station.query = scene.sceneMgr->createRayQuery(Ogre::Ray(), 0xFFFFFFFF);
  return station;
}

struct Parts {
  std::vector<double> simulation, picking, rendering;
};

void runFrame(Station &station, Parts &parts) {
  Ogre::FrameEvent evt;
  evt.timeSinceLastEvent = evt.timeSinceLastFrame = static_cast<Ogre::Real>(FRAME_SECONDS);
  Clock::time_point start = Clock::now();
  graphicsModule.simulateFrame(evt, true, FRAME_STEP);
  parts.simulation.push_back(msSince(start));

  start = Clock::now();
  PickRules rules;
  rules.passedOver = {"PlayerCam", "clone_medic"};
  pickAlongRay(
      *station.query,
      cursorRay(*station.camera, WINDOW_WIDTH / 2.0f, WINDOW_HEIGHT / 2.0f, WINDOW_WIDTH, WINDOW_HEIGHT),
      rules);
  parts.picking.push_back(msSince(start));

  start = Clock::now();
  sw::test::refAppScene().root->renderOneFrame();  // draws the station's window
  OgreRefApp::LevelBarriers::invalidateMovables(); // as the station's rendered frame does
  parts.rendering.push_back(msSince(start));
}

void printPart(const char *name, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  double total = 0;
  for (double m : ms)
    total += m;
  std::printf("  %-10s mean %8.3f ms, median %8.3f ms, 90th percentile %8.3f ms, max %8.3f ms\n", name,
              total / double(ms.size()), ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.back());
}

void reportFrames(Station &station, const char *what, int frames) {
  Parts parts;
  for (int i = 0; i < frames; ++i)
    runFrame(station, parts);
  std::vector<double> whole;
  for (std::size_t i = 0; i < parts.simulation.size(); ++i)
    whole.push_back(parts.simulation[i] + parts.picking[i] + parts.rendering[i]);
  std::printf("%s, %d frames (16.7 ms per frame at 60 fps):\n", what, frames);
  printPart("simulation", parts.simulation);
  printPart("picking", parts.picking);
  printPart("rendering", parts.rendering);
  printPart("whole", whole);
}

// 50 passengers on a grid in the mess room, healed, each walking to the
// mirror image of its place through the crowd.
void addWalkers() {
  for (int row = 0; row < 5; ++row) {
    for (int column = 0; column < 10; ++column) {
      const Ogre::Vector3 position(-640 + 50 * column, -300 + 80 * row, 2);
      OgreRefApp::NPC &npc = *graphicsModule.spawnPassenger(position);
      npc.injuryLevel = 0;
      npc.setState("Idle");
      npc.moveToDest(Ogre::Vector3(-830 - position.x, -240 - position.y, 0));
    }
  }
}

} // namespace

// Usage: frame_bench [frames per case, default 300] [screenshot.png of the last frame]
int main(int argc, char **argv) {
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
  if (!sw::test::refAppScene().levelLoaded) {
    std::fprintf(stderr, "frame_bench: the level \"ogretestmap.bsp\" is not in the stage\n");
    return 1;
  }
  Station station = openStationWindow();
  graphicsModule.createInitialObjects();
  Parts settling;
  for (int i = 0; i < 60; ++i) // bodies settle, textures load
    runFrame(station, settling);
  std::printf("renderer: %s, window %u x %u\n",
              sw::test::refAppScene().root->getRenderSystem()->getName().c_str(), WINDOW_WIDTH,
              WINDOW_HEIGHT);
  reportFrames(station, "18 initial objects", frames);
  addWalkers();
  reportFrames(station, "18 initial objects + 50 passengers walking", frames);
  if (argc > 2)
    station.window->writeContentsToFile(argv[2]);
  int walking = 0;
  for (const auto &[name, object] : graphicsModule.namedObjects)
    if (const auto *npc = dynamic_cast<const OgreRefApp::NPC *>(object))
      walking += npc->isMoving() ? 1 : 0;
  std::printf("  %d passengers still walking at the end\n", walking);
  sw::test::refAppScene().sceneMgr->destroyQuery(station.query);
  sw::test::releaseRefAppScene();
  return 0;
}
