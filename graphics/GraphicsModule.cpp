#include "graphics/GraphicsModule.h"

#include <CEGUI/RendererModules/Ogre/Renderer.h>
#include <CEGUI/System.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>

#include "graphics/GraphicsModule_FrameListener.h"
#include "graphics/StationRoot.h"

GraphicsModule graphicsModule;

GraphicsModule::~GraphicsModule() {
  release();
}

void GraphicsModule::release() {
  if (mGUISystem)
    CEGUI::System::destroy();
  mGUISystem = nullptr;
  if (mGUIRenderer)
    CEGUI::OgreRenderer::destroy(*mGUIRenderer);
  mGUIRenderer = nullptr;
  delete mFrameListener;
  mFrameListener = nullptr;
  if (mSceneMgr && mRaySceneQuery)
    mSceneMgr->destroyQuery(mRaySceneQuery);
  mRaySceneQuery = nullptr;
  delete stationRoot(); // the root's own destructor is not virtual
  mRoot = nullptr;
  mSceneMgr = nullptr;
  mWindow = nullptr;
  mCamera = nullptr;
  namedObjects.clear();
}
