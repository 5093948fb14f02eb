// The station's presentation set-up: engine, window, scene, GUI and the
// exercise's initial objects, the same on every station.
#include "graphics/GraphicsModule.h"

#include <array>
#include <exception>
#include <utility>

#include <Bites/OgreBitesConfigDialog.h>
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
#include "graphics/StationRoot.h"
#include "refapp/OgreRefAppCharacter.h"
#include "refapp/OgreRefAppCollideCamera.h"
#include "refapp/OgreRefAppFire.h"
#include "refapp/OgreRefAppNPC.h"
#include "refapp/OgreRefAppWorld.h"
#include "shell/state/SimulationLog.h"
#include "shell/state/ObjectKinds.h"
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

// The figure meshes are Y-up; these two node turns stand them in the Z-up level.
void turnUpright(OgreRefApp::ApplicationObject &object) {
  object.pitch(Ogre::Degree(90));
  object.yaw(Ogre::Degree(-90));
}

struct InitialObject {
  enum Kind { FIRE, PASSENGER, MEDIC_CREW, FIREMAN_CREW } kind;
  Ogre::Vector3 position; // level units
  double size;            // fires only: the effect's scale
  bool applyArea;         // fires only
};

// Every station creates these in this order, so their names agree.
const std::array<InitialObject, 18> INITIAL_OBJECTS = {{
    {InitialObject::FIRE, {-350, -5, 5}, 0.5, false},
    {InitialObject::FIRE, {-350, 30, 5}, 0.5, false},
    {InitialObject::FIRE, {-410, -5, 5}, 0.9, true},
    {InitialObject::FIRE, {-435, 120, 5}, 0.5, false},
    {InitialObject::PASSENGER, {-420, 225, 2}, 0, false},
    {InitialObject::PASSENGER, {-465, 250, 2}, 0, false},
    {InitialObject::PASSENGER, {-560, 220, 2}, 0, false},
    {InitialObject::PASSENGER, {-580, 300, 2}, 0, false},
    {InitialObject::FIRE, {-190, -120, 5}, 0.5, false},
    {InitialObject::PASSENGER, {-210, -260, 2}, 0, false},
    {InitialObject::FIRE, {-265, -150, 5}, 0.5, false},
    {InitialObject::PASSENGER, {-102, -280, 2}, 0, false},
    {InitialObject::PASSENGER, {-275, -130, 2}, 0, false},
    {InitialObject::PASSENGER, {-215, -185, 2}, 0, false},
    {InitialObject::MEDIC_CREW, {-400, -415, 0}, 0, false},
    {InitialObject::MEDIC_CREW, {-410, -455, 0}, 0, false},
    {InitialObject::FIREMAN_CREW, {-420, -500, 0}, 0, false},
    {InitialObject::FIREMAN_CREW, {-430, -540, 0}, 0, false},
}};

} // namespace

StationRoot *GraphicsModule::stationRoot() const {
  return static_cast<StationRoot *>(mRoot);
}

bool GraphicsModule::setup() {
  mRoot = new StationRoot("plugins.cfg", "ogre.cfg", "Ogre.log");
  addResourceLocations();
  if (!mRoot->showConfigDialog(OgreBites::getNativeConfigDialog()))
    return false;
  mWindow = mRoot->initialise(true, WINDOW_TITLE);

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
  for (const InitialObject &object : INITIAL_OBJECTS) {
    switch (object.kind) {
    case InitialObject::FIRE:
      spawnFire(object.applyArea, object.size, object.position);
      break;
    case InitialObject::PASSENGER:
      spawnPassenger(object.position);
      break;
    case InitialObject::MEDIC_CREW:
      spawnMedicCrew(object.position);
      break;
    case InitialObject::FIREMAN_CREW:
      spawnFiremanCrew(object.position);
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
  turnUpright(*passenger);
  passenger->setState(OgreRefApp::STATE_DEAD_BACK);
  passengerCount += 1;
  return passenger;
}

OgreRefApp::NPC *GraphicsModule::spawnMedicCrew(const Ogre::Vector3 &position) {
  OgreRefApp::NPC *crew = spawnNpc(MEDIC_CREW_PREFIX, "medic_crew.mesh", position);
  crew->setDisabled();
  turnUpright(*crew);
  crew->setState(OgreRefApp::STATE_IDLE);
  return crew;
}

OgreRefApp::NPC *GraphicsModule::spawnFiremanCrew(const Ogre::Vector3 &position) {
  OgreRefApp::NPC *crew = spawnNpc(FIRE_CREW_PREFIX, "fireman_crew.mesh", position);
  crew->setDisabled();
  turnUpright(*crew);
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
  turnUpright(*fire);
  if (applyArea) {
    fire->setOrientation(Ogre::Quaternion(Ogre::Degree(0), Ogre::Vector3::UNIT_Y));
    fire->changeFireCollisionArea();
  }
  fireCount += 1;
  return fire;
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
  }
  mFrameListener->resetTurnCounters();
}
