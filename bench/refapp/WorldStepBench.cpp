// Cost of one frame of the station's simulation (the world step with its
// collision pass and dynamics steps, the animations and the NPC ticks) with
// the 18 initial objects of the exercise scene in the generated ship: 6 fires,
// 8 lying passengers and 4 pooled crew members. Frames are 1/60 s, so each
// runs one or two 0.01 s steps; the figures show how much of the 16.7 ms frame
// budget the world takes. Prints figures only.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <OgreFrameListener.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include "graphics/GraphicsModule.h"
#include "refapp/OgreRefAppApplicationObject.h"
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

// One frame of the station's simulation, as its frame listener runs it while
// the exercise runs (nobody walks here, so the walk step does not matter).
void simulateFrame() {
  Ogre::FrameEvent evt;
  evt.timeSinceLastEvent = evt.timeSinceLastFrame = FRAME_SECONDS;
  graphicsModule.simulateFrame(evt, true, 0);
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
  graphicsModule.createInitialObjects();
  updateScene();
  for (int i = 0; i < WARM_UP_FRAMES; ++i) {
    simulateFrame();
    updateScene();
  }

  std::vector<double> frames, collisions, dynamics;
  for (int i = 0; i < MEASURED_FRAMES; ++i) {
    frames.push_back(millisecondsOf(simulateFrame));
    updateScene();
  }
  // The two halves of one step, measured apart.
  for (int i = 0; i < MEASURED_FRAMES; ++i) {
    collisions.push_back(millisecondsOf([] { world()._applyCollision(); }));
    dynamics.push_back(millisecondsOf(
        [] { world()._applyDynamics(static_cast<Ogre::Real>(world().getSimulationStepSize())); }));
    updateScene();
  }

  std::printf("The station's simulation frame (world step, animations, NPC ticks), %zu objects (%zu in the dynamics set), %d frames of 1/60 s:\n",
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
      if (isPassenger(entry.first))
        entry.second->setDynamicsEnabled(true, true);
    awake.push_back(millisecondsOf(simulateFrame));
    updateScene();
  }
  print("frame, all 8 passengers awake", summarise(awake));
  sw::test::releaseRefAppScene();
  return 0;
}
