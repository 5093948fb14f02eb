#pragma once
// Lookup of the layout's windows by name. The layout is the contract with the
// program: a name it lacks is reported as an engine error, which the shell
// catches and prints, instead of a null window used later.

#include <string>

namespace CEGUI {
class Window;
}

// The window of that name anywhere under the GUI's root window. Raises
// Ogre::ItemIdentityException when the layout has no such window.
CEGUI::Window *guiWindow(const std::string &name);

// Shows a picture staged under "../Media/gui/images/" in a static image.
void showPicture(const std::string &window, const std::string &pictureFile);
