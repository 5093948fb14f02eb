#include "graphics/MaterialPanel.h"

#include <cstdio>

#include <CEGUI/Event.h>
#include <CEGUI/WindowManager.h>
#include <CEGUI/widgets/Combobox.h>
#include <CEGUI/widgets/Editbox.h>
#include <CEGUI/widgets/Scrollbar.h>
#include <OgreLogManager.h>
#include <OgreMaterialManager.h>
#include <OgrePass.h>
#include <OgreResourceGroupManager.h>
#include <OgreTechnique.h>

#include "graphics/GuiWindows.h"

MaterialPanel materialPanel;

namespace {

const char *const PANEL = "ShaderControlsWin";
// Relative vertical layout of the rows: the first at 0.2, then every 0.15.
constexpr float ROW_TOP = 0.2f;
constexpr float ROW_SPACING = 0.15f;
constexpr float ROW_SCROLL_OFFSET = 0.05f;

void logLine(const std::string &line) {
  Ogre::LogManager::getSingleton().logMessage(line);
}

CEGUI::Window *createRowWindow(const char *type, const std::string &name, float left, float width,
                               float top) {
  CEGUI::Window *window = CEGUI::WindowManager::getSingleton().createWindow(type, name.c_str());
  window->setPosition(CEGUI::UVector2(CEGUI::UDim(left, 0), CEGUI::UDim(top, 0)));
  window->setSize(CEGUI::USize(CEGUI::UDim(width, 0), CEGUI::UDim(0.1f, 0)));
  guiWindow(PANEL)->addChild(window);
  return window;
}

CEGUI::Window *createRowText(const std::string &name, float left, float width, float top,
                             const char *alignment) {
  CEGUI::Window *text = createRowWindow("TaharezLook/StaticText", name, left, width, top);
  text->setProperty("VertFormatting", "TopAligned");
  text->setProperty("HorzFormatting", alignment);
  text->setProperty("FrameEnabled", "false");
  text->setProperty("BackgroundEnabled", "false");
  return text;
}

} // namespace

MyListItem::MyListItem(const CEGUI::String &text, CEGUI::uint id)
    : CEGUI::ListboxTextItem(text, id, nullptr, false, true) {
  setSelectionBrushImage("TaharezLook/MultiListSelectionBrush");
}

void MaterialPanel::loadControls() {
  Ogre::ResourceGroupManager &groups = Ogre::ResourceGroupManager::getSingleton();
  const Ogre::StringVectorPtr files =
      groups.findResourceNames(Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME, "*.controls");
  if (!files || files->empty()) {
    logLine("No material control files (*.controls) found; the material panel stays empty");
    return;
  }
  for (const Ogre::String &file : *files) {
    std::string text;
    try {
      text =
          groups.openResource(file, Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME)->getAsString();
    } catch (const Ogre::Exception &error) {
      logLine("Material control file " + file + " cannot be read: " + error.getDescription());
      continue;
    }
    std::vector<std::string> problems;
    parseMaterialControlsFile(text, file, mMaterialControlsContainer, problems);
    for (const std::string &problem : problems)
      logLine(problem);
    logLine("Material Controls setup");
  }
}

void MaterialPanel::fillCombos() {
  mVerticalScroll = guiWindow("VerticalScroll");
  mVerticalScroll->subscribeEvent(CEGUI::Scrollbar::EventScrollPositionChanged,
                                  CEGUI::Event::Subscriber(&MaterialPanel::handleVerticalScroll, this));

  auto *shaders = static_cast<CEGUI::Combobox *>(guiWindow("ShaderCombos"));
  shaders->subscribeEvent(CEGUI::Combobox::EventListSelectionAccepted,
                          CEGUI::Event::Subscriber(&MaterialPanel::handleShaderSelected, this));
  for (std::size_t i = 0; i < mMaterialControlsContainer.size(); ++i)
    shaders->addItem(new MyListItem(mMaterialControlsContainer[i].getDisplayName().c_str(), CEGUI::uint(i)));
  if (shaders->getItemCount() > 0) {
    CEGUI::ListboxItem *first = shaders->getListboxItemFromIndex(0);
    shaders->setItemSelectState(first, true);
    shaders->getEditbox()->setText(first->getText());
    selectControlSet(0);
  }

  auto *models = static_cast<CEGUI::Combobox *>(guiWindow("ModelCombos"));
  models->subscribeEvent(CEGUI::Combobox::EventListSelectionAccepted,
                         CEGUI::Event::Subscriber(&MaterialPanel::handleModelSelected, this));
  const Ogre::StringVectorPtr meshes = Ogre::ResourceGroupManager::getSingleton().findResourceNames(
      Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME, "*.mesh");
  if (meshes)
    for (std::size_t i = 0; i < meshes->size(); ++i)
      models->addItem(new MyListItem((*meshes)[i].c_str(), CEGUI::uint(i)));
}

void MaterialPanel::release() {
  mActiveVertexParameters.reset();
  mActiveFragmentParameters.reset();
  mActivePass = nullptr;
  mActiveMaterial.reset();
  mRows.clear();
  mBoundControls.clear();
  mVerticalScroll = nullptr;
}

bool MaterialPanel::handleShaderSelected(const CEGUI::EventArgs &) {
  auto *shaders = static_cast<CEGUI::Combobox *>(guiWindow("ShaderCombos"));
  if (const CEGUI::ListboxItem *item = shaders->getSelectedItem())
    if (item->getID() < mMaterialControlsContainer.size())
      selectControlSet(item->getID());
  return true;
}

bool MaterialPanel::handleModelSelected(const CEGUI::EventArgs &) {
  return true;
}

void MaterialPanel::selectControlSet(std::size_t index) {
  mCurrentMaterial = index;
  mBoundControls.clear();
  MaterialControls &set = mMaterialControlsContainer[index];
  if (takeMaterial(set.getMaterialName())) {
    for (std::size_t i = 0; i < set.getShaderControlCount(); ++i)
      if (bindControl(set.getShaderControl(i)))
        mBoundControls.push_back(i);
      else
        logLine("Material control \"" + set.getShaderControl(i).name + "\" of \"" + set.getDisplayName() +
                "\": the material's first pass has no such parameter; no slider");
  }
  for (std::size_t row = 0; row < mBoundControls.size(); ++row) {
    const ShaderControl &control = set.getShaderControl(mBoundControls[row]);
    Row &widgets = rowAt(row);
    widgets.label->setText(control.name.c_str());
    widgets.slider->setDocumentSize(control.maxVal - control.minVal);
    const float *values = (control.type == GPU_VERTEX ? mActiveVertexParameters : mActiveFragmentParameters)
                              ->getFloatPointer(std::size_t(control.physicalIndex));
    widgets.slider->setScrollPosition(values[control.elementIndex] - control.minVal);
    widgets.label->show();
    widgets.number->show();
    widgets.slider->show();
  }
  for (std::size_t row = mBoundControls.size(); row < mRows.size(); ++row) {
    mRows[row].label->hide();
    mRows[row].number->hide();
    mRows[row].slider->hide();
  }
}

bool MaterialPanel::takeMaterial(const std::string &materialName) {
  mActiveVertexParameters.reset();
  mActiveFragmentParameters.reset();
  mActivePass = nullptr;
  mActiveMaterial = Ogre::MaterialManager::getSingleton().getByName(materialName);
  if (!mActiveMaterial) {
    logLine("Material controls: no material \"" + materialName + "\"");
    return false;
  }
  mActiveMaterial->load();
  const Ogre::Material::Techniques &techniques = mActiveMaterial->getSupportedTechniques();
  if (techniques.empty() || techniques.front()->getNumPasses() == 0) {
    logLine("Material controls: material \"" + materialName + "\" has no supported pass");
    return false;
  }
  mActivePass = techniques.front()->getPass(0);
  if (mActivePass->hasVertexProgram())
    mActiveVertexParameters = mActivePass->getVertexProgramParameters();
  if (mActivePass->hasFragmentProgram())
    mActiveFragmentParameters = mActivePass->getFragmentProgramParameters();
  return true;
}

// Finds the control's float parameter in the pass's program; the element
// must lie inside it.
bool MaterialPanel::bindControl(ShaderControl &control) {
  const Ogre::GpuProgramParametersSharedPtr &parameters =
      control.type == GPU_VERTEX ? mActiveVertexParameters : mActiveFragmentParameters;
  if (!parameters)
    return false;
  const Ogre::GpuConstantDefinition *definition =
      parameters->_findNamedConstantDefinition(control.paramName, false);
  if (!definition || !definition->isFloat())
    return false;
  if (std::size_t(control.elementIndex) >= definition->elementSize * definition->arraySize)
    return false;
  control.physicalIndex = std::int32_t(definition->physicalIndex);
  return true;
}

MaterialPanel::Row &MaterialPanel::rowAt(std::size_t index) {
  while (mRows.size() <= index) {
    const std::string number = std::to_string(mRows.size());
    const float top = ROW_TOP + ROW_SPACING * float(mRows.size());
    Row row;
    row.label = createRowText("UniformTxt" + number, 0.05f, 0.4f, top, "LeftAligned");
    row.number = createRowText("UniformNumTxt" + number, 0.45f, 0.45f, top, "RightAligned");
    row.slider = static_cast<CEGUI::Scrollbar *>(
        createRowWindow("TaharezLook/HorizontalScrollbar", "UniformSB" + number, 0.05f, 0.85f, top + 0.05f));
    row.slider->setID(CEGUI::uint(mRows.size()));
    row.slider->subscribeEvent(CEGUI::Scrollbar::EventScrollPositionChanged,
                               CEGUI::Event::Subscriber(&MaterialPanel::handleSlider, this));
    mRows.push_back(row);
  }
  return mRows[index];
}

bool MaterialPanel::handleSlider(const CEGUI::EventArgs &args) {
  const auto &event = static_cast<const CEGUI::WindowEventArgs &>(args);
  const std::size_t row = event.window->getID();
  if (row < mBoundControls.size())
    applySlider(row);
  return true;
}

void MaterialPanel::applySlider(std::size_t row) {
  const ShaderControl &control =
      mMaterialControlsContainer[mCurrentMaterial].getShaderControl(mBoundControls[row]);
  const float value = mRows[row].slider->getScrollPosition() + control.minVal;
  char text[32];
  std::snprintf(text, sizeof text, "%3.3f", double(value));
  mRows[row].number->setText(text);
  const Ogre::GpuProgramParametersSharedPtr &parameters =
      control.type == GPU_VERTEX ? mActiveVertexParameters : mActiveFragmentParameters;
  if (parameters)
    parameters->getFloatPointer(std::size_t(control.physicalIndex))[control.elementIndex] = value;
}

bool MaterialPanel::handleVerticalScroll(const CEGUI::EventArgs &) {
  const float scroll = static_cast<CEGUI::Scrollbar *>(mVerticalScroll)->getScrollPosition();
  for (std::size_t i = 0; i < mRows.size(); ++i) {
    const float top = ROW_TOP + ROW_SPACING * float(i) - scroll - ROW_SCROLL_OFFSET;
    mRows[i].label->setYPosition(CEGUI::UDim(top, 0));
    mRows[i].number->setYPosition(CEGUI::UDim(top, 0));
    mRows[i].slider->setYPosition(CEGUI::UDim(top + 0.05f, 0));
  }
  return true;
}
