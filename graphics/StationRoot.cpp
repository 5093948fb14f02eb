#include "graphics/StationRoot.h"

#include <Bites/OgreWindowEventUtilities.h>
#include <OgreLogManager.h>
#include <OgreRenderSystem.h>
#include <OgreRenderWindow.h>

#include "graphics/WindowCloseRequest.h"

QuietEngineLog::QuietEngineLog(const Ogre::String &logFileName) : mLogManager(new Ogre::LogManager) {
  mLogManager->createLog(logFileName, true, false /* no copy to the terminal */);
}

QuietEngineLog::~QuietEngineLog() {
  delete mLogManager;
}

StationRoot::StationRoot(const Ogre::String &pluginFileName, const Ogre::String &configFileName,
                         const Ogre::String &logFileName)
    : QuietEngineLog(logFileName), Ogre::Root("", configFileName, logFileName) {
  // A plug-in that fails to start throws an exception whose code lives in
  // that plug-in; once a failed constructor has unloaded it, the exception
  // can no longer be read. Its description is taken while it is loaded.
  try {
    loadPlugins(pluginFileName);
  } catch (const Ogre::Exception &e) {
    throw Ogre::Exception(Ogre::Exception::ERR_INTERNAL_ERROR, e.getFullDescription(), "StationRoot");
  }
}

namespace {

bool nativeWindow(Ogre::RenderWindow *window, XDisplayHandle &display, XWindowId &xid) {
  display = nullptr;
  xid = 0;
  if (!window || window->isClosed())
    return false;
  window->getCustomAttribute("XDISPLAY", &display);
  window->getCustomAttribute("WINDOW", &xid);
  return display && xid;
}

} // namespace

void StationRoot::acceptWindowCloseRequests() {
  XDisplayHandle display;
  XWindowId xid;
  if (nativeWindow(getAutoCreatedWindow(), display, xid))
    acceptCloseRequests(display, xid);
}

void StationRoot::myStartRendering() {
  getRenderSystem()->_initRenderTargets();
  // The window must be known to the message pump, or closing it would go
  // unnoticed.
  if (Ogre::RenderWindow *window = getAutoCreatedWindow())
    OgreBites::WindowEventUtilities::_addRenderWindow(window);
  clearEventTimes();
  mQueuedEnd = false;
  mRenderingStopped = false;
}

bool StationRoot::myRenderingLoop() {
  if (mRenderingStopped)
    return true;
  // The engine's own message pump misses the window manager's close request
  // on this platform; it is taken here first.
  if (!takeCloseRequest())
    OgreBites::WindowEventUtilities::messagePump();
  if (mQueuedEnd || isWindowClosed() || !renderOneFrame() || mQueuedEnd)
    mRenderingStopped = true;
  return mRenderingStopped;
}

bool StationRoot::isWindowClosed() {
  Ogre::RenderWindow *window = getAutoCreatedWindow();
  return window == nullptr || window->isClosed();
}

bool StationRoot::takeCloseRequest() {
  Ogre::RenderWindow *window = getAutoCreatedWindow();
  XDisplayHandle display;
  XWindowId xid;
  if (!nativeWindow(window, display, xid) || !::takeCloseRequest(display, xid))
    return false;
  window->destroy();
  return true;
}
