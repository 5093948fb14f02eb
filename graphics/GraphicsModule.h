#pragma once
// The station's presentation object: engine root, window, BSP scene manager,
// simulation world, player camera, GUI and frame listener, and the scene's
// passengers, crew members and fires by name. One process-wide instance,
// graphicsModule, constructed during static initialisation with every member
// empty; set-up fills it.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <OgreGpuProgramParams.h>
#include <OgreMaterial.h>

#include "graphics/MaterialControls.h"

namespace Ogre {
class Root;
class SceneManager;
class RaySceneQuery;
class RenderWindow;
} // namespace Ogre
namespace CEGUI {
class OgreRenderer;
class System;
class Window;
} // namespace CEGUI
namespace OgreRefApp {
class ApplicationObject;
class CollideCamera;
class World;
} // namespace OgreRefApp
class GraphicsModule_FrameListener;

// One slider row of the material panel: label, value text and slider.
struct ShaderControlRow {
  CEGUI::Window *label = nullptr;
  CEGUI::Window *value = nullptr;
  CEGUI::Window *slider = nullptr;
};

class GraphicsModule {
public:
  GraphicsModule() = default;
  GraphicsModule(const GraphicsModule &) = delete;
  GraphicsModule &operator=(const GraphicsModule &) = delete;
  ~GraphicsModule();

  Ogre::Root *mRoot = nullptr;                   // owned; deleted last but the lists
  OgreRefApp::CollideCamera *mCamera = nullptr;  // "PlayerCam", owned by the world
  Ogre::SceneManager *mSceneMgr = nullptr;       // "BspSceneManager" instance
  Ogre::RaySceneQuery *mRaySceneQuery = nullptr; // picking ray, reused
  OgreRefApp::World *mWorld = nullptr;           // BSP-level world
  GraphicsModule_FrameListener *mFrameListener = nullptr;
  Ogre::RenderWindow *mWindow = nullptr;       // created by the root
  CEGUI::OgreRenderer *mGUIRenderer = nullptr; // owned
  CEGUI::System *mGUISystem = nullptr;         // owned

  // Material panel: the control sets in load order, the current one, its
  // material with the first pass's program parameters, and the slider rows.
  std::vector<MaterialControls> mMaterialControlsContainer;
  std::size_t mCurrentMaterialControls = 0;
  std::vector<ShaderControlRow> mShaderControlRows;
  Ogre::MaterialPtr mActiveMaterial;
  Ogre::GpuProgramParametersSharedPtr mActiveVertexParameters;
  Ogre::GpuProgramParametersSharedPtr mActiveFragmentParameters;
  CEGUI::Window *mVerticalScroll = nullptr;

  // Passengers, crew members and fires by name; the World owns the objects.
  std::map<std::string, OgreRefApp::ApplicationObject *> namedObjects;

  std::int32_t mResourceKind = 0; // chosen resource button: 0 medical kits, 1 extinguishers
  std::int32_t mModelMode = 0;    // 1 while the material panel's model side is chosen

  bool mStartRequested = false;  // "StartDemoBtn" pressed
  bool mWaitingForStart = false; // exercise not started yet
  bool mScorePhase = false;      // score screen shown
  bool mRatingPhase = false;     // rating menus open

  // Simulation steps, movement, picking and commands happen only then.
  bool isRunning() const { return !mWaitingForStart && !mRatingPhase && !mScorePhase; }
};

extern GraphicsModule graphicsModule;
