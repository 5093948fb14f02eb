// preview: shows the staged media the way a station sets up its scene.
//
//   preview <stage/bin> <screenshot dir>            writes the views as PNGs
//   preview <stage/bin> <screenshot dir> --window   opens a window to look around
//
// Loads the stage's plugins.cfg and resources.cfg, the level
// "ogretestmap.bsp" in the BSP scene manager (a flat deck in a generic scene
// manager while the stage has no level), places the passengers ("DeadBack"),
// crews ("Idle"), chiefs and fires at their opening positions, and renders
// a few viewpoints; a second scene lines every figure up in every animation
// beside the props. Window keys: W/A/S/D or arrows move, mouse looks,
// Page Up/Down rise and sink, 1-9 jump to a view, Tab switches scenes,
// F12 writes a screenshot, Escape quits.
#include "StagedScene.h"

#include <OGRE/Ogre.h>
#include <OIS/OIS.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Ogre::Real;
using Ogre::Vector3;

struct View {
  std::string name;
  Vector3 eye;
  Vector3 target;
};

struct Options {
  std::string stageBin;
  std::string outDir;
  bool window = false;
};

bool parseOptions(int argc, char **argv, Options &o) {
  std::vector<std::string> plain;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--window")
      o.window = true;
    else
      plain.push_back(a);
  }
  if (plain.size() != 2)
    return false;
  o.stageBin = plain[0];
  o.outDir = plain[1];
  return true;
}

bool levelStaged() {
  return Ogre::ResourceGroupManager::getSingleton().resourceExistsInAnyGroup("ogretestmap.bsp");
}

// Grey deck plates for the flat stand-in deck.
void makeDeckMaterial() {
  const int n = 64;
  Ogre::Image image;
  image.create(Ogre::PF_BYTE_RGB, n, n);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const bool seam = x == 0 || y == 0;
      const Real shade = seam ? 0.3f : 0.55f + 0.05f * ((x / 8 + y / 8) % 2);
      image.setColourAt(Ogre::ColourValue(shade, shade, shade * 1.05f), x, y, 0);
    }
  Ogre::TextureManager::getSingleton().loadImage("preview_deck", "General", image);
  Ogre::MaterialPtr m = Ogre::MaterialManager::getSingleton().create("Preview/Deck", "General");
  Ogre::Pass *pass = m->getTechnique(0)->getPass(0);
  pass->setLightingEnabled(false);
  pass->createTextureUnitState("preview_deck")->setTextureScale(1.0f / 40, 1.0f / 40);
}

void addFlatDeck(Ogre::SceneManager &scene, const std::string &name) {
  if (!Ogre::MaterialManager::getSingleton().resourceExists("Preview/Deck", "General"))
    makeDeckMaterial();
  if (!Ogre::MeshManager::getSingleton().resourceExists("preview_deck.mesh", "General"))
    Ogre::MeshManager::getSingleton().createPlane("preview_deck.mesh", "General",
                                                  Ogre::Plane(Vector3::UNIT_Z, 0), 3000, 3000, 1, 1, true, 1,
                                                  75, 75, Vector3::UNIT_Y);
  Ogre::Entity *deck = scene.createEntity(name, "preview_deck.mesh");
  deck->setMaterialName("Preview/Deck");
  scene.getRootSceneNode()->attachObject(deck);
}

void addSceneLight(Ogre::SceneManager &scene) {
  scene.setAmbientLight(Ogre::ColourValue(0.2f, 0.2f, 0.2f));
  Ogre::Light *light = scene.createLight("MainLight");
  Ogre::SceneNode *node = scene.getRootSceneNode()->createChildSceneNode(Vector3(-100, 50, 100));
  node->attachObject(light);
  light->setAttenuation(8000, 1, 0, 0);
}

struct StageScene {
  Ogre::SceneManager *scene = nullptr;
  Ogre::Camera *camera = nullptr;
  Ogre::SceneNode *eye = nullptr;
  std::vector<Ogre::AnimationState *> animations;
  std::vector<View> views;
};

Ogre::Camera *makeCamera(Ogre::SceneManager &scene, Ogre::SceneNode *&eye) {
  Ogre::Camera *cam = scene.createCamera("PreviewCam");
  cam->setNearClipDistance(5);
  cam->setFarClipDistance(20000);
  eye = scene.getRootSceneNode()->createChildSceneNode("PreviewEye");
  eye->attachObject(cam);
  eye->setFixedYawAxis(true, Vector3::UNIT_Z);
  return cam;
}

void collectAnimations(Ogre::SceneManager &scene, StageScene &s) {
  for (const auto &entry : scene.getMovableObjects("Entity")) {
    auto *entity = static_cast<Ogre::Entity *>(entry.second);
    if (!entity->hasSkeleton())
      continue;
    for (const auto &state : entity->getAllAnimationStates()->getAnimationStates())
      if (state.second->getEnabled())
        s.animations.push_back(state.second);
  }
}

// The opening scene on the ship's deck.
StageScene buildShipScene(Ogre::Root &root) {
  StageScene s;
  const bool level = levelStaged();
  s.scene = root.createSceneManager(level ? "BspSceneManager"
                                          : Ogre::DefaultSceneManagerFactory::FACTORY_TYPE_NAME);
  s.camera = makeCamera(*s.scene, s.eye);
  addSceneLight(*s.scene);
  if (level) {
    s.scene->setWorldGeometry("ogretestmap.bsp");
    const Ogre::ViewPoint vp = s.scene->getSuggestedViewpoint(true);
    s.views.push_back({"overview", vp.position, Vector3(-150, 40, 30)});
  } else {
    addFlatDeck(*s.scene, "deck");
    s.views.push_back({"overview", Vector3(150, 150, 400), Vector3(-350, -100, 0)});
  }
  for (const preview::Person &p : preview::openingPeople())
    preview::placePerson(*s.scene, p);
  for (const preview::FireSpot &f : preview::openingFires())
    preview::placeFire(*s.scene, f);
  collectAnimations(*s.scene, s);
  s.views.push_back({"passengers", Vector3(-330, 330, 70), Vector3(-500, 250, 10)});
  s.views.push_back({"fires", Vector3(-150, 90, 120), Vector3(-380, 10, 30)});
  s.views.push_back({"crew", Vector3(-640, -470, 70), Vector3(-415, -480, 45)});
  s.views.push_back({"chiefs", Vector3(-770, -180, 90), Vector3(-540, -180, 40)});
  s.views.push_back({"south_passengers", Vector3(-90, -140, 70), Vector3(-210, -230, 10)});
  return s;
}

// Every figure in every animation in a row, and the props.
StageScene buildLineup(Ogre::Root &root) {
  StageScene s;
  s.scene = root.createSceneManager(Ogre::DefaultSceneManagerFactory::FACTORY_TYPE_NAME);
  s.camera = makeCamera(*s.scene, s.eye);
  s.scene->setAmbientLight(Ogre::ColourValue(0.35f, 0.35f, 0.35f));
  Ogre::Light *light = s.scene->createLight("LineupLight");
  light->setType(Ogre::Light::LT_DIRECTIONAL);
  s.scene->getRootSceneNode()->createChildSceneNode()->attachObject(light);
  light->getParentSceneNode()->setDirection(Vector3(-0.4f, 0.5f, -1).normalisedCopy(), Ogre::Node::TS_WORLD);
  addFlatDeck(*s.scene, "lineup_deck");
  const char *meshes[] = {"captain.mesh", "medic_crew.mesh", "fireman_crew.mesh", "passenger1.mesh"};
  const char *states[] = {"Idle", "Walk",     "Medkit_Crouch_Shoot1", "Fire_Shoot2",
                          "Dead", "DeadBack", "DeadSitting",          "DeadStomach"};
  for (int m = 0; m < 4; ++m)
    for (int k = 0; k < 8; ++k) {
      preview::Person p;
      p.name = std::string("lineup_") + std::to_string(m) + "_" + std::to_string(k);
      p.mesh = meshes[m];
      p.state = states[k];
      p.shown = m == 0 ? preview::Shown::Chief : preview::Shown::Npc;
      p.position = Vector3(-k * 110.0f, m * 140.0f, 0);
      preview::placePerson(*s.scene, p);
    }
  // Props on the near side: ball (radius 50), crate (100), head, shader ball.
  auto prop = [&](const std::string &name, const std::string &mesh, const Vector3 &pos, Real scale,
                  const std::string &material) {
    Ogre::Entity *e = s.scene->createEntity(name, mesh);
    if (!material.empty())
      e->setMaterialName(material);
    Ogre::SceneNode *n = s.scene->getRootSceneNode()->createChildSceneNode(pos);
    n->setScale(scale, scale, scale);
    n->pitch(Ogre::Degree(90));
    n->attachObject(e);
  };
  prop("ball", "sphere.mesh", Vector3(0, -160, 50), 0.5f, "");
  prop("crate", "cube.mesh", Vector3(-150, -160, 50), 1, "");
  prop("head", "OgreHead.mesh", Vector3(-300, -160, 30), 1, "");
  prop("shaderball", "sphere.mesh", Vector3(-450, -160, 50), 0.5f, "Sternwake/HullPaint");
  preview::placeFire(*s.scene, {"lineup_fire", Vector3(-600, -160, 5), 0.5f, false});
  collectAnimations(*s.scene, s);
  s.views.push_back({"lineup", Vector3(-385, -720, 430), Vector3(-385, 170, 0)});
  s.views.push_back({"lineup_standing", Vector3(-150, -150, 140), Vector3(-150, 250, 20)});
  s.views.push_back({"lineup_lying", Vector3(-600, -150, 170), Vector3(-600, 250, 0)});
  return s;
}

void advance(StageScene &s, Real seconds) {
  for (Ogre::AnimationState *a : s.animations)
    a->addTime(seconds);
}

void lookFrom(StageScene &s, const View &v) {
  s.eye->setPosition(v.eye);
  s.eye->lookAt(v.target, Ogre::Node::TS_WORLD);
}

std::string shotPath(const std::string &dir, int index, const std::string &name) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%02d_", index);
  return dir + "/" + prefix + name + ".png";
}

void writeShots(Ogre::Root &root, Ogre::RenderWindow &window, std::vector<StageScene> &scenes,
                const std::string &outDir) {
  int index = 1;
  for (StageScene &s : scenes) {
    window.removeAllViewports();
    Ogre::Viewport *vp = window.addViewport(s.camera);
    vp->setBackgroundColour(Ogre::ColourValue(0.05f, 0.06f, 0.08f));
    s.camera->setAspectRatio(Real(vp->getActualWidth()) / Real(vp->getActualHeight()));
    advance(s, 0.6f);
    for (const View &v : s.views) {
      lookFrom(s, v);
      root.renderOneFrame();
      root.renderOneFrame();
      const std::string path = shotPath(outDir, index++, v.name);
      window.writeContentsToFile(path);
      std::cout << "preview: wrote " << path << "\n";
    }
  }
}

// Looking around in a window, with OIS for the keyboard and mouse.
class Explorer : public Ogre::FrameListener {
public:
  Explorer(Ogre::RenderWindow &window, std::vector<StageScene> &scenes, const std::string &outDir)
      : mWindow(window), mScenes(scenes), mOutDir(outDir) {
    size_t handle = 0;
    window.getCustomAttribute("WINDOW", &handle);
    OIS::ParamList params;
    params.insert({"WINDOW", std::to_string(handle)});
    params.insert({"x11_mouse_grab", "false"});
    params.insert({"x11_keyboard_grab", "false"});
    params.insert({"x11_mouse_hide", "false"});
    mInput = OIS::InputManager::createInputSystem(params);
    mKeyboard = static_cast<OIS::Keyboard *>(mInput->createInputObject(OIS::OISKeyboard, false));
    mMouse = static_cast<OIS::Mouse *>(mInput->createInputObject(OIS::OISMouse, false));
    show(0);
  }
  ~Explorer() override {
    mInput->destroyInputObject(mKeyboard);
    mInput->destroyInputObject(mMouse);
    OIS::InputManager::destroyInputSystem(mInput);
  }

  bool frameStarted(const Ogre::FrameEvent &evt) override {
    mKeyboard->capture();
    mMouse->capture();
    if (mKeyboard->isKeyDown(OIS::KC_ESCAPE) || mWindow.isClosed())
      return false;
    StageScene &s = mScenes[mCurrent];
    advance(s, evt.timeSinceLastFrame);
    handleSwitches(s);
    move(s, evt.timeSinceLastFrame);
    return true;
  }

private:
  void show(size_t index) {
    mCurrent = index;
    mWindow.removeAllViewports();
    Ogre::Viewport *vp = mWindow.addViewport(mScenes[index].camera);
    vp->setBackgroundColour(Ogre::ColourValue(0.05f, 0.06f, 0.08f));
    mScenes[index].camera->setAspectRatio(Real(vp->getActualWidth()) / Real(vp->getActualHeight()));
    lookFrom(mScenes[index], mScenes[index].views.front());
  }

  bool pressedOnce(OIS::KeyCode key) {
    const bool down = mKeyboard->isKeyDown(key);
    const bool was = mHeld[key];
    mHeld[key] = down;
    return down && !was;
  }

  void handleSwitches(StageScene &s) {
    if (pressedOnce(OIS::KC_TAB))
      show((mCurrent + 1) % mScenes.size());
    for (int i = 0; i < 9; ++i)
      if (pressedOnce(OIS::KeyCode(OIS::KC_1 + i)) && size_t(i) < s.views.size())
        lookFrom(s, s.views[i]);
    if (pressedOnce(OIS::KC_F12)) {
      const std::string path = shotPath(mOutDir, 90 + mShots++, "window");
      mWindow.writeContentsToFile(path);
      std::cout << "preview: wrote " << path << "\n";
    }
  }

  void move(StageScene &s, Real dt) {
    const OIS::MouseState &ms = mMouse->getMouseState();
    if (ms.buttonDown(OIS::MB_Left) || ms.buttonDown(OIS::MB_Right)) {
      s.eye->yaw(Ogre::Degree(-ms.X.rel * 0.15f), Ogre::Node::TS_WORLD);
      s.eye->pitch(Ogre::Degree(-ms.Y.rel * 0.15f));
    }
    Vector3 step = Vector3::ZERO;
    if (mKeyboard->isKeyDown(OIS::KC_W) || mKeyboard->isKeyDown(OIS::KC_UP))
      step.z -= 1;
    if (mKeyboard->isKeyDown(OIS::KC_S) || mKeyboard->isKeyDown(OIS::KC_DOWN))
      step.z += 1;
    if (mKeyboard->isKeyDown(OIS::KC_A) || mKeyboard->isKeyDown(OIS::KC_LEFT))
      step.x -= 1;
    if (mKeyboard->isKeyDown(OIS::KC_D) || mKeyboard->isKeyDown(OIS::KC_RIGHT))
      step.x += 1;
    const Real speed = 200 * dt;
    s.eye->translate(step * speed, Ogre::Node::TS_LOCAL);
    if (mKeyboard->isKeyDown(OIS::KC_PGUP))
      s.eye->translate(Vector3(0, 0, speed), Ogre::Node::TS_WORLD);
    if (mKeyboard->isKeyDown(OIS::KC_PGDOWN))
      s.eye->translate(Vector3(0, 0, -speed), Ogre::Node::TS_WORLD);
  }

  Ogre::RenderWindow &mWindow;
  std::vector<StageScene> &mScenes;
  std::string mOutDir;
  OIS::InputManager *mInput = nullptr;
  OIS::Keyboard *mKeyboard = nullptr;
  OIS::Mouse *mMouse = nullptr;
  std::map<int, bool> mHeld;
  size_t mCurrent = 0;
  int mShots = 0;
};

int run(const Options &o) {
  auto *logs = new Ogre::LogManager();
  logs->createLog(o.outDir + "/preview-Ogre.log", true, false, false);
  Ogre::Root root(o.stageBin + "/plugins.cfg", "", o.outDir + "/preview-Ogre.log");
  Ogre::RenderSystem *rs = root.getRenderSystemByName("OpenGL Rendering Subsystem");
  if (!rs) {
    std::cerr << "preview: the stage's plugins.cfg loads no OpenGL render system\n";
    return 1;
  }
  root.setRenderSystem(rs);
  rs->setConfigOption("Full Screen", "No");
  rs->setConfigOption("VSync", "No");
  root.initialise(false);
  Ogre::RenderWindow *window = root.createRenderWindow("Sternwake media preview", 1024, 768, false);

  for (const std::string &missing : preview::addStageResources(o.stageBin))
    std::cout << "preview: no folder " << missing << " yet; left out\n";
  Ogre::TextureManager::getSingleton().setDefaultNumMipmaps(5);
  Ogre::ResourceGroupManager::getSingleton().initialiseAllResourceGroups();
  if (!levelStaged())
    std::cout << "preview: the stage has no ogretestmap.bsp yet; showing a flat deck\n";

  std::vector<StageScene> scenes;
  scenes.push_back(buildShipScene(root));
  scenes.push_back(buildLineup(root));
  if (o.window) {
    Explorer explorer(*window, scenes, o.outDir);
    root.addFrameListener(&explorer);
    root.startRendering();
    root.removeFrameListener(&explorer);
  } else {
    writeShots(root, *window, scenes, o.outDir);
  }
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  Options o;
  if (!parseOptions(argc, argv, o)) {
    std::cerr << "usage: preview <stage/bin> <screenshot dir> [--window]\n";
    return 2;
  }
  try {
    return run(o);
  } catch (const Ogre::Exception &e) {
    std::cerr << "preview: " << e.getFullDescription() << "\n";
    return 1;
  }
}
