// The station's presentation set-up: engine, window, scene, GUI and the
// exercise's initial objects, the same on every station.
#include "graphics/GraphicsModule.h"

#include <array>
#include <exception>
#include <utility>

#include <CEGUI/Exceptions.h>
#include <CEGUI/GUIContext.h>
#include <CEGUI/ImageManager.h>
#include <CEGUI/MouseCursor.h>
#include <CEGUI/RendererModules/Ogre/Renderer.h>
#include <CEGUI/System.h>
#include <CEGUI/Window.h>
#include <CEGUI/WindowManager.h>
#include <OgreConfigFile.h>
#include <OgreException.h>
#include <OgreLight.h>
#include <OgreLogManager.h>
#include <OgreRenderWindow.h>
#include <OgreResourceGroupManager.h>
#include <OgreSceneManager.h>
#include <OgreTextureManager.h>
#include <OgreViewport.h>

#include "graphics/GraphicsModule_FrameListener.h"
#include "graphics/GuiWindows.h"
#include "graphics/MaterialPanel.h"
#include "graphics/OpeningScene.h"
#include "graphics/StationConfigDialog.h"
#include "graphics/StationRoot.h"
#include "refapp/OgreRefAppCharacter.h"
#include "refapp/OgreRefAppCollideCamera.h"
#include "refapp/OgreRefAppFigure.h"
#include "refapp/OgreRefAppFire.h"
#include "refapp/OgreRefAppNPC.h"
#include "refapp/OgreRefAppWorld.h"
#include "shell/state/ObjectKinds.h"
#include "shell/state/SimulationLog.h"
#include "shell/state/StationState.h"

namespace {

const char *const WINDOW_TITLE = "***Sternwake Project***";
const char *const PICTURE_DIRECTORY = "../Media/gui/images/";
const std::array<const char *, 5> PICTURES = {"captain.jpg", "medic.jpg", "fireman.jpg", "question.jpg",
                                              "tick.jpg"};
// Pictures shown from the start: the lobby's chiefs and facilitator, and the
// rating and score screens' chiefs.
const std::array<std::pair<const char *, const char *>, 10> START_PICTURES = {{
    {"CaptainConnImage", "captain.jpg"},
    {"MedicConnImage", "medic.jpg"},
    {"FiremanConnImage", "fireman.jpg"},
    {"FacilitatorConnImage", "question.jpg"},
    {"CaptainRateImage", "captain.jpg"},
    {"MedicRateImage", "medic.jpg"},
    {"FiremanRateImage", "fireman.jpg"},
    {"CaptainEvaluationImage", "captain.jpg"},
    {"MedicEvaluationImage", "medic.jpg"},
    {"FiremanEvaluationImage", "fireman.jpg"},
}};

} // namespace

StationRoot *GraphicsModule::stationRoot() const {
  return static_cast<StationRoot *>(mRoot);
}

bool GraphicsModule::setup() {
  mRoot = new StationRoot("plugins.cfg", "ogre.cfg", "Ogre.log");
  addResourceLocations();
  StationConfigDialog dialog(*mRoot);
  if (!mRoot->showConfigDialog(&dialog))
    return false;
  mWindow = mRoot->initialise(true, WINDOW_TITLE);
  stationRoot()->acceptWindowCloseRequests();

  mSceneMgr = mRoot->createSceneManager("BspSceneManager");
  mRaySceneQuery = mSceneMgr->createRayQuery(Ogre::Ray(), 0xFFFFFFFF);
  mRaySceneQuery->setWorldFragmentType(Ogre::SceneQuery::WFT_PLANE_BOUNDED_REGION);
  mWorld = new OgreRefApp::World(mSceneMgr, OgreRefApp::WT_BSP);

  mCamera = mWorld->createCamera("PlayerCam", Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY);
  mCamera->setPosition(Ogre::Vector3(0, 25, -175));
  mCamera->lookAt(Ogre::Vector3(0, 25, -300));
  writeLog("Create camera look at");
  mCamera->setNearClipDistance(1);

  createViewport();
  Ogre::TextureManager::getSingleton().setDefaultNumMipmaps(5);
  Ogre::ResourceGroupManager::getSingleton().initialiseAllResourceGroups();

  if (!setupGui())
    return false;
  createScene();
  createInitialObjects();

  mFrameListener = new GraphicsModule_FrameListener(this);
  mRoot->addFrameListener(mFrameListener);
  materialPanel.loadControls();
  prepareStartWindows();
  return true;
}

void GraphicsModule::addResourceLocations() {
  Ogre::ConfigFile resources;
  resources.load("resources.cfg", "\t:=", true);
  Ogre::ResourceGroupManager &groups = Ogre::ResourceGroupManager::getSingleton();
  for (const auto &[section, settings] : resources.getSettingsBySection())
    for (const auto &[archiveType, archiveName] : settings)
      groups.addResourceLocation(archiveName, archiveType, section);
  Ogre::LogManager::getSingleton().logMessage("Resource directories setup");
}

void GraphicsModule::createViewport() {
  Ogre::Viewport *viewport = mWindow->addViewport(mCamera->getCamera(), 0, 0, 0, 1, 1);
  viewport->setBackgroundColour(Ogre::ColourValue(0, 0, 0, 1));
  mCamera->setAspectRatio(static_cast<Ogre::Real>(static_cast<double>(viewport->getActualWidth()) /
                                                  static_cast<double>(viewport->getActualHeight())));
}

bool GraphicsModule::setupGui() {
  try {
    // The GUI draws over the scene of mWindow after the overlays.
    mGUIRenderer = &CEGUI::OgreRenderer::create(*mWindow);
    mGUISystem = &CEGUI::System::create(*mGUIRenderer, nullptr, nullptr, nullptr, nullptr,
                                        "GraphicsModuleCegui.config", "CEGUI.log");
    // The configuration names the scheme, skin and fonts; the one layout is
    // loaded here and becomes the root of the GUI.
    CEGUI::Window *root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("Sternwake.layout");
    CEGUI::GUIContext &context = mGUISystem->getDefaultGUIContext();
    context.setRootWindow(root);
    root->activate(); // keys reach "root" before the first click
    context.getMouseCursor().setDefaultImage("TaharezLook/MouseArrow");
  } catch (const std::exception &) {
    return false;
  }

  loadPictures();
  for (const auto &[window, picture] : START_PICTURES)
    showPicture(window, picture);
  return true;
}

void GraphicsModule::loadPictures() {
  CEGUI::ImageManager &images = CEGUI::ImageManager::getSingleton();
  for (const char *picture : PICTURES) {
    if (images.isDefined(picture))
      continue;
    try {
      images.addFromImageFile(picture, std::string(PICTURE_DIRECTORY) + picture);
    } catch (const CEGUI::Exception &e) {
      // Reported by the shell like any missing medium.
      OGRE_EXCEPT(Ogre::Exception::ERR_FILE_NOT_FOUND,
                  std::string("Cannot load the picture ") + picture + ": " + e.getMessage().c_str(),
                  "GraphicsModule::loadPictures");
    }
  }
}

void GraphicsModule::createScene() {
  mSceneMgr->setAmbientLight(Ogre::ColourValue(0.2f, 0.2f, 0.2f, 1));
  Ogre::Light *light = mSceneMgr->createLight("MainLight");
  mSceneMgr->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(-100, 50, 100))->attachObject(light);
  light->setAttenuation(8000, 1, 0, 0);

  mWorld->setGravity(Ogre::Vector3(0, 0, -60)); // the level is Z-up
  mSceneMgr->setWorldGeometry("ogretestmap.bsp");

  mCamera->setNearClipDistance(10);
  mCamera->setFarClipDistance(20000);
  const Ogre::ViewPoint viewpoint = mSceneMgr->getSuggestedViewpoint(true);
  mCamera->setPosition(viewpoint.position);
  mCamera->pitch(Ogre::Degree(90));
  mCamera->rotate(viewpoint.orientation);
  mCamera->setFixedYawAxis(true, Ogre::Vector3::UNIT_Z);
  mCamera->lookAt(Ogre::Vector3(-150, 40, 30));
  writeLog("Create scene look at");
}

void GraphicsModule::createInitialObjects() {
  using opening::InitialObject;
  for (const InitialObject &object : opening::INITIAL_OBJECTS) {
    const Ogre::Vector3 position(static_cast<Ogre::Real>(object.x), static_cast<Ogre::Real>(object.y),
                                 static_cast<Ogre::Real>(object.z));
    switch (object.kind) {
    case InitialObject::FIRE:
      spawnFire(object.applyArea, object.size, position);
      break;
    case InitialObject::PASSENGER:
      spawnPassenger(position);
      break;
    case InitialObject::MEDIC_CREW:
      spawnMedicCrew(position);
      break;
    case InitialObject::FIREMAN_CREW:
      spawnFiremanCrew(position);
      break;
    }
  }
}

OgreRefApp::NPC *GraphicsModule::spawnNpc(const char *prefix, const char *mesh,
                                          const Ogre::Vector3 &position) {
  const std::string name = makeObjectName(prefix);
  OgreRefApp::NPC *npc = mWorld->createNPC(name, mesh, position, Ogre::Quaternion::IDENTITY);
  namedObjects[name] = npc;
  return npc;
}

OgreRefApp::NPC *GraphicsModule::spawnPassenger(const Ogre::Vector3 &position) {
  OgreRefApp::NPC *passenger = spawnNpc(PASSENGER_PREFIX, "passenger1.mesh", position);
  passenger->setCollisionEnabled(true);
  passenger->setDynamicsEnabled(true, true);
  OgreRefApp::turnUpright(*passenger);
  passenger->setState(OgreRefApp::STATE_DEAD_BACK);
  passenger->injuryLevel = 2;
  passengerCount += 1;
  return passenger;
}

OgreRefApp::NPC *GraphicsModule::spawnMedicCrew(const Ogre::Vector3 &position) {
  OgreRefApp::NPC *crew = spawnNpc(MEDIC_CREW_PREFIX, "medic_crew.mesh", position);
  crew->setDisabled();
  OgreRefApp::turnUpright(*crew);
  crew->setState(OgreRefApp::STATE_IDLE);
  return crew;
}

OgreRefApp::NPC *GraphicsModule::spawnFiremanCrew(const Ogre::Vector3 &position) {
  OgreRefApp::NPC *crew = spawnNpc(FIRE_CREW_PREFIX, "fireman_crew.mesh", position);
  crew->setDisabled();
  OgreRefApp::turnUpright(*crew);
  crew->setState(OgreRefApp::STATE_IDLE);
  return crew;
}

OgreRefApp::Fire *GraphicsModule::spawnFire(bool applyArea, double size, const Ogre::Vector3 &position) {
  const std::string name = makeObjectName(FIRE_PREFIX);
  OgreRefApp::Fire *fire =
      mWorld->createFire(name, "Examples/Smoke", size, position, Ogre::Quaternion::IDENTITY);
  namedObjects[name] = fire;
  fire->setCollisionEnabled(true);
  fire->setDynamicsEnabled(false);
  OgreRefApp::turnUpright(*fire);
  if (applyArea) {
    fire->setOrientation(Ogre::Quaternion(Ogre::Degree(0), Ogre::Vector3::UNIT_Y));
    fire->changeFireCollisionArea();
  }
  fireCount += 1;
  return fire;
}

namespace {
// Above the starboard hull, looking across the open-topped deck towards
// port: every compartment, the fires and the passengers in one picture.
const Ogre::Vector3 OVERVIEW_POSITION(-50, -300, 1700);
const Ogre::Vector3 OVERVIEW_TARGET(-50, -100, 0);
} // namespace

void GraphicsModule::showDeckOverview() {
  mCamera->setPosition(OVERVIEW_POSITION);
  mCamera->lookAt(OVERVIEW_TARGET);
}

void GraphicsModule::applyRoleCameraCollision() {
  if (isClient) {
    mCamera->createCollisionProxy();
    mCamera->setCollisionEnabled(true);
    mCamera->setDynamicsEnabled(true, true);
    guiWindow("StartConnectionBtn")->hide();
    writeLog("Client camera collision enabled");
  } else {
    mCamera->setCollisionEnabled(false);
    mCamera->setDynamicsEnabled(false);
    mCamera->disableOdeBody();
    writeLog("Facilitator camera collision disabled");
    showDeckOverview();
  }
  mFrameListener->resetTurnCounters();
}
