#pragma once
// The engine's configuration dialog of a station: the render system, its
// options, Accept and Cancel, in a small X11 window "Rendering Settings".
// Return accepts, Escape cancels, and closing the window through the window
// manager cancels as well; the program then ends as after Cancel.

#include <cstddef>
#include <string>
#include <vector>

#include <OgreConfigDialog.h>

namespace Ogre {
class RenderSystem;
class Root;
} // namespace Ogre

// The choices the dialog shows, without any window: row 0 is the render
// system, the rows after it that system's options in the engine's order.
class RenderChoices {
public:
  explicit RenderChoices(Ogre::Root &root);

  struct Row {
    std::string name;
    std::string value;
    bool fixed; // the engine offers no other value
  };
  std::vector<Row> rows() const;

  // Steps the value of a row to the next (or, backwards, the previous) of
  // its possible values, wrapping around; an option that the engine fixed
  // does not change.
  void step(std::size_t row, bool backwards);

  // Empty when the current options are acceptable; the engine's reason
  // otherwise. On success the chosen render system becomes the root's.
  std::string accept();

private:
  Ogre::Root &mRoot;
  std::vector<Ogre::RenderSystem *> mSystems;
  std::size_t mCurrent = 0; // index into mSystems
};

class StationConfigDialog : public Ogre::ConfigDialog {
public:
  explicit StationConfigDialog(Ogre::Root &root) : mRoot(root) {}
  // False when the user cancelled, closed the window, or there is no display.
  bool display() override;

private:
  Ogre::Root &mRoot;
};
