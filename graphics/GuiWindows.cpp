#include "graphics/GuiWindows.h"

#include <CEGUI/GUIContext.h>
#include <CEGUI/System.h>
#include <CEGUI/Window.h>
#include <OgreException.h>

CEGUI::Window *guiWindow(const std::string &name) {
  CEGUI::System *system = CEGUI::System::getSingletonPtr();
  CEGUI::Window *root = system ? system->getDefaultGUIContext().getRootWindow() : nullptr;
  CEGUI::Window *found = nullptr;
  if (root)
    found = root->getName() == name.c_str() ? root : root->getChildRecursive(name.c_str());
  if (!found)
    OGRE_EXCEPT(Ogre::Exception::ERR_ITEM_NOT_FOUND, "The GUI layout has no window \"" + name + "\"",
                "guiWindow");
  return found;
}

void showPicture(const std::string &window, const std::string &pictureFile) {
  // Image sets are named after their picture file and hold the whole picture.
  guiWindow(window)->setProperty("Image", pictureFile.c_str());
}
