#pragma once
// The material panel ("ShaderControlsWin" and its neighbours): combo boxes of
// the control sets and the meshes, and one slider row per control of the
// chosen set adjusting its material's first pass. Built at start-up and
// hidden; no part of the exercise shows it. Its observable part is the
// loading of the "*.controls" files and its log lines.

#include <cstddef>
#include <string>
#include <vector>

#include <CEGUI/widgets/ListboxTextItem.h>
#include <OgreGpuProgramParams.h>
#include <OgreMaterial.h>

#include "graphics/MaterialControls.h"

namespace CEGUI {
class EventArgs;
class Scrollbar;
class Window;
} // namespace CEGUI
namespace Ogre {
class Pass;
}

// A combo box entry: text and ID, no user data, deleted by its list, drawn
// with the skin's selection brush.
class MyListItem : public CEGUI::ListboxTextItem {
public:
  MyListItem(const CEGUI::String &text, CEGUI::uint id);
  ~MyListItem() override = default;
};

class MaterialPanel {
public:
  // Loads every "*.controls" file of the default resource group, in the
  // order found; a file that is missing or unreadable is skipped.
  void loadControls();
  // Fills "ShaderCombos" with the control sets (selecting the first, which
  // builds its rows) and "ModelCombos" with the meshes, and subscribes the
  // panel's handlers.
  void fillCombos();
  // Drops the references to the material and its programs' parameters.
  void release();

  const MaterialControlsList &controlSets() const { return mMaterialControlsContainer; }

private:
  struct Row {
    CEGUI::Window *label = nullptr;
    CEGUI::Window *number = nullptr;
    CEGUI::Scrollbar *slider = nullptr;
  };

  bool handleShaderSelected(const CEGUI::EventArgs &args);
  bool handleModelSelected(const CEGUI::EventArgs &args);
  bool handleSlider(const CEGUI::EventArgs &args);
  bool handleVerticalScroll(const CEGUI::EventArgs &args);
  void selectControlSet(std::size_t index);
  bool takeMaterial(const std::string &materialName);
  bool bindControl(ShaderControl &control);
  Row &rowAt(std::size_t index);
  void applySlider(std::size_t row);

  MaterialControlsList mMaterialControlsContainer;
  std::size_t mCurrentMaterial = 0;
  Ogre::MaterialPtr mActiveMaterial;
  Ogre::Pass *mActivePass = nullptr;
  Ogre::GpuProgramParametersSharedPtr mActiveVertexParameters;
  Ogre::GpuProgramParametersSharedPtr mActiveFragmentParameters;
  // Row i adjusts mBoundControls[i] of the current set; unusable controls
  // get no row.
  std::vector<std::size_t> mBoundControls;
  std::vector<Row> mRows;
  CEGUI::Window *mVerticalScroll = nullptr;
};

extern MaterialPanel materialPanel;
