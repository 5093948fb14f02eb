// Costs of the NPCs in the real level: one path search across the deck, and
// a frame of World::simulationStep plus the NPC ticks with the scene's 18
// initial objects and with 100 walking passengers. Prints figures; run under
// Xvfb from the build tree: xvfb-run -a bench/npc/npc_bench

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <OgreFrameListener.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include "graphics/GraphicsModule.h"
#include "refapp/OgreRefAppLevelBarriers.h"
#include "refapp/OgreRefAppNPC.h"
#include "refapp/OgreRefAppWorld.h"
#include "shell/state/StationState.h"
#include "tests/support/RefAppTestScene.h"

namespace {

using Clock = std::chrono::steady_clock;
using OgreRefApp::AINode;
using OgreRefApp::NPC;

constexpr double FRAME_SECONDS = 1.0 / 60;
constexpr Ogre::Real FRAME_STEP = 100.0f / 61; // the frame loop's step at 60 frames per second

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void updateScene() {
  sw::test::refAppScene().sceneMgr->getRootSceneNode()->_update(true, false);
  OgreRefApp::LevelBarriers::invalidateMovables(); // as a rendered frame would
}

// A passenger as the station adds one, standing in the given state.
NPC &spawnPassenger(const Ogre::Vector3 &position, const char *state) {
  NPC &npc = *graphicsModule.spawnPassenger(position);
  npc.setState(state);
  return npc;
}

// The station's frame of the simulation while the exercise runs.
void runFrame() {
  Ogre::FrameEvent evt;
  evt.timeSinceLastEvent = evt.timeSinceLastFrame = static_cast<Ogre::Real>(FRAME_SECONDS);
  graphicsModule.simulateFrame(evt, true, FRAME_STEP);
  updateScene();
}

std::uint64_t totalRayQueries() {
  std::uint64_t rays = 0;
  for (const auto &entry : graphicsModule.namedObjects)
    if (const NPC *npc = dynamic_cast<const NPC *>(entry.second))
      rays += npc->getRayQueryCount();
  return rays;
}

// Times frames; the first one is reported on its own when it is the frame in
// which every walker searches at once.
void reportFrames(const char *what, int frames, bool firstApart) {
  std::printf("%s (16.7 ms per frame at 60 fps):\n", what);
  if (firstApart) {
    const std::uint64_t raysBefore = totalRayQueries();
    const Clock::time_point start = Clock::now();
    runFrame();
    std::printf("  first frame (every walker searches): %9.3f ms, %llu ray queries\n",
                millisecondsSince(start), static_cast<unsigned long long>(totalRayQueries() - raysBefore));
    --frames;
  }
  const std::uint64_t raysBefore = totalRayQueries();
  std::vector<double> ms;
  for (int i = 0; i < frames; ++i) {
    const Clock::time_point start = Clock::now();
    runFrame();
    ms.push_back(millisecondsSince(start));
  }
  std::sort(ms.begin(), ms.end());
  double total = 0;
  for (double m : ms)
    total += m;
  std::printf("  %d frames: mean %8.3f ms, median %7.3f ms, 90th percentile %8.3f ms, max %9.3f ms, "
              "%.0f ray queries per frame\n",
              frames, total / frames, ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.back(),
              static_cast<double>(totalRayQueries() - raysBefore) / frames);
}

struct Spread {
  double median, p90, max;
};

Spread spreadOf(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  return {ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.back()};
}

const char *nameOf(NPC::SearchTests tests) {
  return tests == NPC::SearchTests::Grids ? "grids" : "reference (ray queries)";
}

// Times runs of one search from where npc stands; returns the median.
double timeSearches(NPC &npc, const Ogre::Vector3 &destination, NPC::SearchTests tests, int runs) {
  npc.setSearchTests(tests);
  npc.moveToDest(destination);
  std::vector<double> ms;
  bool found = true;
  std::uint64_t rays = 0, gridTests = 0;
  for (int i = 0; i < runs; ++i) {
    npc.setStepLength(10);
    const std::uint64_t raysBefore = npc.getRayQueryCount(), gridBefore = npc.getGridTestCount();
    const Clock::time_point start = Clock::now();
    found = npc.pathfind(AINode(Ogre::Vector3::ZERO, npc.getPosition(), 10, -1)) && found;
    ms.push_back(millisecondsSince(start));
    rays = npc.getRayQueryCount() - raysBefore;
    gridTests = npc.getGridTestCount() - gridBefore;
  }
  const Spread spread = spreadOf(ms);
  std::printf("  %-24s %s, %zu nodes, %llu ray queries, %llu grid tests; %d runs: median %.3f ms, "
              "p90 %.3f ms, max %.3f ms\n",
              nameOf(tests), found ? "found" : "NOT FOUND", npc.getSearchRecord().size(),
              static_cast<unsigned long long>(rays), static_cast<unsigned long long>(gridTests), runs,
              spread.median, spread.p90, spread.max);
  npc.setSearchTests(NPC::SearchTests::Grids);
  return spread.median;
}

void compareSearches(const char *what, const Ogre::Vector3 &from, const Ogre::Vector3 &to, int fastRuns,
                     int referenceRuns) {
  NPC &npc = spawnPassenger(from, "Idle");
  npc.setDynamicsEnabled(false, false);
  updateScene();
  std::printf("%s:\n", what);
  const double fast = timeSearches(npc, to, NPC::SearchTests::Grids, fastRuns);
  const double reference = timeSearches(npc, to, NPC::SearchTests::RayQueries, referenceRuns);
  std::printf("  grids are %.1f times faster (medians)\n", reference / fast);
  npc.setCollisionEnabled(false);
  npc.setPosition(0, 0, -1000);
  npc.stopFollowObject();
}

void benchPathSearch() {
  // From the passengers' lounge, through the lounge door, to the medic's start.
  compareSearches("path search (-500,260) -> (-570,-75)", Ogre::Vector3(-500, 260, 2),
                  Ogre::Vector3(-570, -75, 0), 50, 20);
  // Beyond the port hull: nothing reaches it, the search floods what it can.
  compareSearches("path search (-500,260) -> (-500,600), unreachable", Ogre::Vector3(-500, 260, 2),
                  Ogre::Vector3(-500, 600, 0), 20, 3);
}

// One walker ordered to a point nothing reaches, walking frame by frame as
// the frame loop drives it, until its first search has failed: the frames it
// takes and what each costs.
void benchUnreachableWalker(NPC::SearchTests tests) {
  NPC &npc = spawnPassenger(Ogre::Vector3(-500, 260, 2), "Idle");
  npc.setSearchTests(tests);
  updateScene();
  npc.moveToDest(Ogre::Vector3(-500, 600, 0));
  std::vector<double> ms;
  while (npc.getPathFailures() == 0 && ms.size() < 2000) {
    const Clock::time_point start = Clock::now();
    runFrame();
    ms.push_back(millisecondsSince(start));
  }
  const Spread spread = spreadOf(ms);
  std::printf("  %-24s first search failed after %zu frames: median %.3f ms, p90 %.3f ms, max %.3f ms "
              "per frame\n",
              nameOf(tests), ms.size(), spread.median, spread.p90, spread.max);
  npc.setCollisionEnabled(false);
  npc.setDynamicsEnabled(false, false);
  npc.setPosition(0, 0, -1000);
  npc.stopFollowObject();
  runFrame();
}

// 100 standing passengers on a grid in the mess room (clear of the galley
// counter), each walking to the mirror image of its place through the crowd
// and past the initial fires and passengers.
std::vector<NPC *> spawnWalkers(NPC::SearchTests tests) {
  std::vector<NPC *> walkers;
  for (int row = 0; row < 10; ++row) {
    for (int column = 0; column < 10; ++column) {
      const Ogre::Vector3 position(-640 + 50 * column, -300 + 40 * row, 2);
      NPC &npc = spawnPassenger(position, "Idle");
      npc.setSearchTests(tests);
      npc.moveToDest(Ogre::Vector3(-830 - position.x, -240 - position.y, 0));
      walkers.push_back(&npc);
    }
  }
  updateScene();
  return walkers;
}

void retireWalkers(const std::vector<NPC *> &walkers) {
  for (NPC *npc : walkers) {
    npc->setCollisionEnabled(false);
    npc->setDynamicsEnabled(false, false);
    npc->setPosition(0, 0, -1000);
    npc->stopFollowObject(); // arrives where it is on its next tick
  }
  runFrame();
}

void benchCrowd(NPC::SearchTests tests, int frames) {
  const std::vector<NPC *> walkers = spawnWalkers(tests);
  const std::string what =
      std::string("world step + NPC ticks, 18 initial objects + 100 walking passengers, ") + nameOf(tests);
  reportFrames(what.c_str(), frames, true);
  int stillWalking = 0;
  for (const NPC *npc : walkers)
    stillWalking += npc->isMoving() ? 1 : 0;
  std::printf("  after %d frames %d of the 100 passengers are still walking\n", frames, stillWalking);
  retireWalkers(walkers);
}

void runBenchmarks(const std::string &mode, int profileRuns) {
  if (mode == "--profile-search") {
    // Only grid searches, long enough to profile (fewer under an instruction
    // counter such as callgrind).
    NPC &npc = spawnPassenger(Ogre::Vector3(-500, 260, 2), "Idle");
    npc.setDynamicsEnabled(false, false);
    updateScene();
    timeSearches(npc, Ogre::Vector3(-570, -75, 0), NPC::SearchTests::Grids, profileRuns > 0 ? profileRuns : 2000);
    return;
  }
  if (mode == "--searches") {
    // Only the single searches, fast against the reference.
    benchPathSearch();
    return;
  }
  const bool crowdOnly = mode == "--profile-crowd";
  if (!crowdOnly)
    benchPathSearch();
  graphicsModule.createInitialObjects();
  updateScene();
  for (int i = 0; i < 60; ++i) // let the bodies settle
    runFrame();
  if (crowdOnly) {
    benchCrowd(NPC::SearchTests::Grids, 300);
    return;
  }
  reportFrames("world step + NPC ticks, 18 initial objects", 600, false);
  std::printf("a walker ordered to (-500,600), unreachable, world step + NPC ticks per frame:\n");
  benchUnreachableWalker(NPC::SearchTests::Grids);
  benchUnreachableWalker(NPC::SearchTests::RayQueries);
  benchCrowd(NPC::SearchTests::Grids, 300);
  // The reference takes seconds a frame at first: fewer frames.
  benchCrowd(NPC::SearchTests::RayQueries, 60);
}

} // namespace

int main(int argc, char **argv) {
  if (!sw::test::refAppScene().levelLoaded) {
    std::fprintf(stderr, "npc_bench: the level \"ogretestmap.bsp\" is not in the stage\n");
    return 1;
  }
  // --profile-search takes an optional number of grid searches.
  runBenchmarks(argc > 1 ? argv[1] : "", argc > 2 ? std::atoi(argv[2]) : 0);
  sw::test::releaseRefAppScene();
  return 0;
}
