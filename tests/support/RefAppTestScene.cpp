#include "tests/support/RefAppTestScene.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include <OgreConfigFile.h>
#include <OgreLogManager.h>
#include <OgreRenderWindow.h>
#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreTextureManager.h>

#include "graphics/GraphicsModule.h"
#include "refapp/OgreRefAppWorld.h"

namespace sw::test {
namespace {

const Ogre::String STAGE_BIN = SW_STAGE_DIR "/bin";
const Ogre::String STAGE_MEDIA = SW_STAGE_DIR "/Media";
const char *const LEVEL = "ogretestmap.bsp";

RefAppScene theScene;
bool sceneBuilt = false;


Ogre::RenderWindow *openWindow(Ogre::Root &root) {
  Ogre::RenderSystem *gl = root.getRenderSystemByName("OpenGL Rendering Subsystem");
  root.setRenderSystem(gl);
  gl->setConfigOption("Full Screen", "No");
  gl->setConfigOption("Video Mode", "320 x 240");
  root.initialise(false);
  return root.createRenderWindow("Sternwake world tests", 320, 240, false);
}

// The stage's resources.cfg names directories relative to stage/bin; without
// it the whole Media tree goes into the default group.
void addResourceLocations() {
  Ogre::ResourceGroupManager &groups = Ogre::ResourceGroupManager::getSingleton();
  const Ogre::String config = STAGE_BIN + "/resources.cfg";
  if (!std::ifstream(config).good()) {
    groups.addResourceLocation(STAGE_MEDIA, "FileSystem", Ogre::RGN_DEFAULT);
    std::error_code error;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(STAGE_MEDIA, error))
      if (entry.is_directory())
        groups.addResourceLocation(entry.path().string(), "FileSystem", Ogre::RGN_DEFAULT);
    return;
  }
  Ogre::ConfigFile file;
  file.load(config, "\t:=", true);
  for (const auto &section : file.getSettingsBySection()) {
    for (const auto &setting : section.second) {
      Ogre::String location = setting.second;
      if (!location.empty() && location[0] != '/')
        location = STAGE_BIN + "/" + location;
      groups.addResourceLocation(location, setting.first, section.first);
    }
  }
}

bool resourceExists(const Ogre::String &name) {
  return Ogre::ResourceGroupManager::getSingleton().resourceExistsInAnyGroup(name);
}

void buildScene() {
  RefAppScene &s = theScene;
  // The station's own plug-in list: render system, level, particles and the
  // image codec the generated textures need.
  // The engine's log goes to its file only, so benchmark figures stay readable.
  (new Ogre::LogManager)->createLog("Ogre.log", true, false, false);
  s.root = new Ogre::Root(STAGE_BIN + "/plugins.cfg", "", "");
  s.window = openWindow(*s.root);
  addResourceLocations();
  Ogre::TextureManager::getSingleton().setDefaultNumMipmaps(5);
  Ogre::ResourceGroupManager::getSingleton().initialiseAllResourceGroups();

  s.sceneMgr = s.root->createSceneManager("BspSceneManager");
  s.world = new OgreRefApp::World(s.sceneMgr, OgreRefApp::WT_BSP);
  s.world->setGravity(Ogre::Vector3(0, 0, -60));
  if (resourceExists(LEVEL)) {
    s.sceneMgr->setWorldGeometry(LEVEL);
    s.levelLoaded = true;
  }
  Ogre::Camera *camera = s.sceneMgr->createCamera("RefAppTestsView");
  camera->setNearClipDistance(1);
  s.sceneMgr->getRootSceneNode()->createChildSceneNode()->attachObject(camera);
  s.window->addViewport(camera);

  graphicsModule.mRoot = s.root;
  graphicsModule.mWindow = s.window;
  graphicsModule.mSceneMgr = s.sceneMgr;
  graphicsModule.mWorld = s.world;
  sceneBuilt = true;
}

} // namespace

void releaseRefAppScene() {
  if (!sceneBuilt)
    return;
  graphicsModule.namedObjects.clear();
  graphicsModule.mWorld = nullptr;
  graphicsModule.mSceneMgr = nullptr;
  graphicsModule.mWindow = nullptr;
  graphicsModule.mRoot = nullptr;
  delete theScene.world;
  delete theScene.root;
  delete Ogre::LogManager::getSingletonPtr();
  theScene = RefAppScene();
  sceneBuilt = false;
}

namespace {

class SceneTeardown : public ::testing::Environment {
public:
  void TearDown() override { releaseRefAppScene(); }
};

::testing::Environment *const teardown = ::testing::AddGlobalTestEnvironment(new SceneTeardown);

} // namespace

RefAppScene &refAppScene() {
  if (!sceneBuilt)
    buildScene();
  return theScene;
}

Ogre::String uniqueName(const Ogre::String &prefix) {
  static unsigned counter = 0;
  return prefix + "_" + std::to_string(counter++);
}

void renderOneFrame() {
  refAppScene().root->renderOneFrame();
}

} // namespace sw::test
