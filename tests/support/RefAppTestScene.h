#pragma once
// One real scene per test process for the simulation-world suites: an OGRE
// root with the GL render system and a small window, the BSP scene manager
// with the stage's level and media, and the World (gravity (0, 0, -60), Z-up),
// all registered in graphicsModule as the station's set-up would. Built on the
// first call, torn down after the last test.
//
// Run under Xvfb: xvfb-run -a <test binary>.

#include <OgreVector.h>

namespace Ogre {
class Root;
class RenderWindow;
class SceneManager;
} // namespace Ogre
namespace OgreRefApp {
class World;
}

namespace sw::test {

struct RefAppScene {
  Ogre::Root *root = nullptr;
  Ogre::RenderWindow *window = nullptr;
  Ogre::SceneManager *sceneMgr = nullptr;
  OgreRefApp::World *world = nullptr;
  bool levelLoaded = false; // "ogretestmap.bsp" found in the stage and loaded
};

// The scene, built on first use.
RefAppScene &refAppScene();

// A name never used before in this process, for objects a test creates.
Ogre::String uniqueName(const Ogre::String &prefix);

// Deletes the world and the engine root while the engine's plug-in libraries
// are still loaded, as the station does before it returns from main. Tests
// get it from a global test environment; programs call it before returning.
void releaseRefAppScene();

// Renders one frame, so that scene queries see nodes at their latest places.
void renderOneFrame();

} // namespace sw::test
