#include "graphics/GraphicsModule.h"

#include <CEGUI/RendererModules/Ogre/Renderer.h>
#include <CEGUI/System.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>

GraphicsModule graphicsModule;

GraphicsModule::~GraphicsModule() {
  if (mGUISystem)
    CEGUI::System::destroy();
  if (mGUIRenderer)
    CEGUI::OgreRenderer::destroy(*mGUIRenderer);
  if (mSceneMgr && mRaySceneQuery)
    mSceneMgr->destroyQuery(mRaySceneQuery);
  mActiveVertexParameters.reset();
  mActiveFragmentParameters.reset();
  mActiveMaterial.reset();
  delete mRoot;
  mShaderControlRows.clear();
  mMaterialControlsContainer.clear();
  namedObjects.clear();
}
