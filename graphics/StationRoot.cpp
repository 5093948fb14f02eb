#include "graphics/StationRoot.h"

#include <Bites/OgreWindowEventUtilities.h>
#include <OgreRenderSystem.h>
#include <OgreRenderWindow.h>

#include <X11/Xlib.h>

StationRoot::StationRoot(const Ogre::String &pluginFileName, const Ogre::String &configFileName,
                         const Ogre::String &logFileName)
    : Ogre::Root(pluginFileName, configFileName, logFileName) {}

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
  if (!window || window->isClosed())
    return false;
  Display *display = nullptr;
  Window xid = 0;
  window->getCustomAttribute("XDISPLAY", &display);
  window->getCustomAttribute("WINDOW", &xid);
  if (!display || !xid)
    return false;
  const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XEvent event;
  bool requested = false;
  while (XCheckTypedWindowEvent(display, xid, ClientMessage, &event))
    requested = requested ||
                (event.xclient.format == 32 && static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow);
  if (requested)
    window->destroy();
  return requested;
}
