// Cost of one frame of World::simulationStep (collision pass plus dynamics
// steps) with the 18 initial objects of the exercise scene in the generated
// ship: 6 fires, 8 lying passengers and 4 pooled crew members. Frames are
// 1/60 s, so each runs one or two 0.01 s steps; the figures show how much of
// the 16.7 ms frame budget the world takes. Prints figures only.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include "graphics/GraphicsModule.h"
#include "refapp/OgreRefAppFire.h"
#include "refapp/OgreRefAppNPC.h"
#include "refapp/OgreRefAppWorld.h"
#include "shell/state/ObjectKinds.h"
#include "shell/state/StationState.h"
#include "tests/support/RefAppTestScene.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr Ogre::Real FRAME_SECONDS = 1.0f / 60;
constexpr double FRAME_BUDGET_MS = 1000.0 / 60;
constexpr int WARM_UP_FRAMES = 60;
constexpr int MEASURED_FRAMES = 1200;

OgreRefApp::World &world() {
  return *sw::test::refAppScene().world;
}

// Stands the Y-up figures upright in the Z-up ship.
void turnUpright(OgreRefApp::ApplicationObject &object) {
  object.pitch(Ogre::Degree(90));
  object.yaw(Ogre::Degree(-90));
}

void spawnFire(const Ogre::Vector3 &position, double size, bool applyArea) {
  const std::string name = makeObjectName(FIRE_PREFIX);
  OgreRefApp::Fire *fire = world().createFire(name, "Examples/Smoke", size, position);
  graphicsModule.namedObjects[name] = fire;
  fire->setCollisionEnabled(true);
  fire->setDynamicsEnabled(false, false);
  turnUpright(*fire);
  if (applyArea) {
    fire->setOrientation(Ogre::Quaternion::IDENTITY);
    fire->changeFireCollisionArea();
  }
}

void spawnPassenger(const Ogre::Vector3 &position) {
  const std::string name = makeObjectName(PASSENGER_PREFIX);
  OgreRefApp::NPC *npc = world().createNPC(name, "passenger1.mesh", position);
  graphicsModule.namedObjects[name] = npc;
  npc->setCollisionEnabled(true);
  npc->setDynamicsEnabled(true, true);
  turnUpright(*npc);
  npc->setState("DeadBack");
}

void spawnCrew(const char *prefix, const char *mesh, const Ogre::Vector3 &position) {
  const std::string name = makeObjectName(prefix);
  OgreRefApp::NPC *npc = world().createNPC(name, mesh, position);
  graphicsModule.namedObjects[name] = npc;
  npc->setDisabled();
  turnUpright(*npc);
  npc->setState("Idle");
}

void spawnInitialObjects() {
  spawnFire({-350, -5, 5}, 0.5, false);
  spawnFire({-350, 30, 5}, 0.5, false);
  spawnFire({-410, -5, 5}, 0.9, true);
  spawnFire({-435, 120, 5}, 0.5, false);
  spawnPassenger({-420, 225, 2});
  spawnPassenger({-465, 250, 2});
  spawnPassenger({-560, 220, 2});
  spawnPassenger({-580, 300, 2});
  spawnFire({-190, -120, 5}, 0.5, false);
  spawnPassenger({-210, -260, 2});
  spawnFire({-265, -150, 5}, 0.5, false);
  spawnPassenger({-102, -280, 2});
  spawnPassenger({-275, -130, 2});
  spawnPassenger({-215, -185, 2});
  spawnCrew(MEDIC_CREW_PREFIX, "medic_crew.mesh", {-400, -415, 0});
  spawnCrew(MEDIC_CREW_PREFIX, "medic_crew.mesh", {-410, -455, 0});
  spawnCrew(FIRE_CREW_PREFIX, "fireman_crew.mesh", {-420, -500, 0});
  spawnCrew(FIRE_CREW_PREFIX, "fireman_crew.mesh", {-430, -540, 0});
}

// Brings moved nodes into the level's leaves, as rendering a frame does.
void updateScene() {
  sw::test::refAppScene().sceneMgr->getRootSceneNode()->_update(true, false);
}

struct Figures {
  double mean = 0, median = 0, p95 = 0, max = 0;
};

Figures summarise(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  Figures f;
  for (double s : samples)
    f.mean += s;
  f.mean /= static_cast<double>(samples.size());
  f.median = samples[samples.size() / 2];
  f.p95 = samples[samples.size() * 95 / 100];
  f.max = samples.back();
  return f;
}

void print(const char *what, const Figures &f) {
  std::printf(
      "%-34s mean %7.3f ms  median %7.3f ms  p95 %7.3f ms  max %7.3f ms  (%5.2f %% of a 60 Hz frame)\n", what,
      f.mean, f.median, f.p95, f.max, 100.0 * f.mean / FRAME_BUDGET_MS);
}

double millisecondsOf(void (*work)()) {
  const Clock::time_point start = Clock::now();
  work();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main() {
  sw::test::RefAppScene &scene = sw::test::refAppScene();
  if (!scene.levelLoaded) {
    std::fprintf(stderr, "world_step_bench: the stage has no ogretestmap.bsp\n");
    return 1;
  }
  spawnInitialObjects();
  updateScene();
  for (int i = 0; i < WARM_UP_FRAMES; ++i) {
    world().simulationStep(FRAME_SECONDS);
    updateScene();
  }

  std::vector<double> frames, collisions, dynamics;
  for (int i = 0; i < MEASURED_FRAMES; ++i) {
    frames.push_back(millisecondsOf([] { world().simulationStep(FRAME_SECONDS); }));
    updateScene();
  }
  // The two halves of one step, measured apart.
  for (int i = 0; i < MEASURED_FRAMES; ++i) {
    collisions.push_back(millisecondsOf([] { world()._applyCollision(); }));
    dynamics.push_back(millisecondsOf(
        [] { world()._applyDynamics(static_cast<Ogre::Real>(world().getSimulationStepSize())); }));
    updateScene();
  }

  std::printf("World::simulationStep, %zu objects (%zu in the dynamics set), %d frames of 1/60 s:\n",
              world().getObjects().size(), world().getDynamicsObjects().size(), MEASURED_FRAMES);
  Ogre::IntersectionSceneQuery *pairs = scene.sceneMgr->createIntersectionQuery(0xFFFFFFFF);
  pairs->setWorldFragmentType(Ogre::SceneQuery::WFT_PLANE_BOUNDED_REGION);
  const Ogre::IntersectionSceneQueryResult &found = pairs->execute();
  std::printf("pairs the collision pass examines: %zu movable-movable, %zu movable-level\n",
              found.movables2movables.size(), found.movables2world.size());
  scene.sceneMgr->destroyQuery(pairs);
  print("frame (1 or 2 steps of 0.01 s)", summarise(frames));
  print("collision pass (one step)", summarise(collisions));
  print("dynamics step (one step)", summarise(dynamics));

  // Worst case of the same scene: every passenger awake at once (as when
  // each has just been touched), woken again before every frame.
  std::vector<double> awake;
  for (int i = 0; i < MEASURED_FRAMES; ++i) {
    for (auto &entry : graphicsModule.namedObjects)
      if (entry.first.find(PASSENGER_PREFIX) != std::string::npos)
        entry.second->setDynamicsEnabled(true, true);
    awake.push_back(millisecondsOf([] { world().simulationStep(FRAME_SECONDS); }));
    updateScene();
  }
  print("frame, all 8 passengers awake", summarise(awake));
  world().clear();
  graphicsModule.namedObjects.clear();
  return 0;
}
