// The start dialog (role and server address), the lobby's connection rows and
// the switch to the role's windows when the exercise starts.
#include "graphics/GraphicsModule.h"

#include <array>

#include <CEGUI/Event.h>
#include <CEGUI/Window.h>
#include <CEGUI/widgets/Editbox.h>
#include <CEGUI/widgets/PushButton.h>
#include <CEGUI/widgets/RadioButton.h>

#include "graphics/GraphicsModule_FrameListener.h"
#include "graphics/GuiWindows.h"
#include "graphics/StartChoices.h"
#include "shell/state/StationState.h"

namespace {

const std::array<const char *, 4> ROLE_BUTTONS = {"FacilitatorBtn", "CaptainBtn", "MedicBtn", "FireBtn"};

// Hidden at the end of set-up, in this order: everything but the start dialog.
const std::array<const char *, 13> HIDDEN_AT_START = {
    "OceanDemo/MainWin", "ShaderControlsWin", "MovementControlsWin",    "FacilitatorWin", "ExtinguishFire",
    "CommandNPC",        "RecoverPassenger",  "VoiceRecorder",          "DemoConnection", "EvaluationMenu",
    "RatingMenu",        "FacilitatorCreate", "FacilitatorSendResource"};

// The longest address text the station accepts; the box itself allows no more.
constexpr std::size_t MAX_ADDRESS_LENGTH = 255;

CEGUI::RadioButton *radioButton(const char *name) {
  return static_cast<CEGUI::RadioButton *>(guiWindow(name));
}

} // namespace

void GraphicsModule::prepareStartWindows() {
  subscribeExerciseControls();
  for (const char *button : ROLE_BUTTONS)
    guiWindow(button)->subscribeEvent(CEGUI::RadioButton::EventSelectStateChanged,
                                      CEGUI::Event::Subscriber(&GraphicsModule::handleRoleChoice, this));
  // A button's clicked event comes from the left button only.
  guiWindow("StartDemoBtn")
      ->subscribeEvent(CEGUI::PushButton::EventClicked,
                       CEGUI::Event::Subscriber(&GraphicsModule::handleStartDemo, this));
  guiWindow("StartConnectionBtn")
      ->subscribeEvent(CEGUI::PushButton::EventClicked,
                       CEGUI::Event::Subscriber(&GraphicsModule::handleStartConnection, this));
  guiWindow("ValueIPText")
      ->subscribeEvent(CEGUI::Window::EventTextChanged,
                       CEGUI::Event::Subscriber(&GraphicsModule::handleAddressChanged, this));
  // Return in the address box presses Start.
  guiWindow("ValueIPText")
      ->subscribeEvent(CEGUI::Editbox::EventTextAccepted,
                       CEGUI::Event::Subscriber(&GraphicsModule::handleStartDemo, this));

  CEGUI::Window *root = guiWindow("root");
  GraphicsModule_FrameListener *listener = mFrameListener;
  root->subscribeEvent(
      CEGUI::Window::EventMouseMove,
      CEGUI::Event::Subscriber(&GraphicsModule_FrameListener::handleRootMouseMove, listener));
  root->subscribeEvent(CEGUI::Window::EventMouseButtonUp,
                       CEGUI::Event::Subscriber(&GraphicsModule_FrameListener::handleRootMouseUp, listener));
  root->subscribeEvent(
      CEGUI::Window::EventMouseButtonDown,
      CEGUI::Event::Subscriber(&GraphicsModule_FrameListener::handleRootMouseDown, listener));
  root->subscribeEvent(
      CEGUI::Window::EventMouseWheel,
      CEGUI::Event::Subscriber(&GraphicsModule_FrameListener::handleRootMouseWheel, listener));
  root->subscribeEvent(CEGUI::Window::EventKeyDown,
                       CEGUI::Event::Subscriber(&GraphicsModule_FrameListener::handleRootKeyDown, listener));
  root->subscribeEvent(CEGUI::Window::EventKeyUp,
                       CEGUI::Event::Subscriber(&GraphicsModule_FrameListener::handleRootKeyUp, listener));

  // The layout preselects a role button; the settings follow it, so a user
  // who presses Start at once gets the role the dialog shows.
  if (CEGUI::RadioButton *selected = radioButton(ROLE_BUTTONS[0])->getSelectedButtonInGroup())
    adoptRole(selected->getID());

  radioButton("FacilitatorView")->setSelected(true);
  radioButton("SendMedkit")->setSelected(true);
  for (const char *window : HIDDEN_AT_START)
    guiWindow(window)->hide();
}

bool GraphicsModule::handleRoleChoice(const CEGUI::EventArgs &) {
  CEGUI::RadioButton *selected = radioButton(ROLE_BUTTONS[0])->getSelectedButtonInGroup();
  // Deselecting one button of the group fires too; only the group's
  // selection counts.
  if (selected)
    chooseRole(selected->getID());
  return true;
}

bool GraphicsModule::handleStartDemo(const CEGUI::EventArgs &) {
  if (mStartRequested)
    return true;
  mStartRequested = true;
  serverAddress = completeServerAddress(serverAddress);
  guiWindow("StartDemoBtn")->getParent()->hide();
  return true;
}

bool GraphicsModule::handleStartConnection(const CEGUI::EventArgs &) {
  if (isClient)
    return true;
  // Chiefs learn of the start through the simulation's connection class,
  // which does not exist yet: no chief can be connected to tell.
  mWaitingForStart = false;
  return true;
}

bool GraphicsModule::handleAddressChanged(const CEGUI::EventArgs &) {
  if (mStartRequested)
    return true; // the address is fixed once the start button was pressed
  serverAddress = guiWindow("ValueIPText")->getText().c_str();
  if (serverAddress.size() > MAX_ADDRESS_LENGTH)
    serverAddress.resize(MAX_ADDRESS_LENGTH);
  return true;
}

void GraphicsModule::showLobby() {
  guiWindow("DemoConnection")->show();
}

void GraphicsModule::refreshLobbyRows() {
  for (std::uint32_t role = 0; role < CHIEF_ROLE_COUNT; ++role) {
    const LobbyRow &row = *lobbyRow(role);
    const bool connected = clientTable[role] != nullptr;
    guiWindow(row.labelWindow)->setText(lobbyRowText(row, connected));
    showPicture(row.imageWindow, lobbyRowImage(row, connected));
  }
}

void GraphicsModule::showRoleWindows() {
  if (!isClient) {
    guiWindow("FacilitatorWin")->show();
    guiWindow("FacilitatorCreate")->show();
    guiWindow("FacilitatorSendResource")->show();
  } else if (clientRole == ROLE_CAPTAIN) {
    guiWindow("CommandNPC")->show();
  } else if (clientRole == ROLE_MEDIC) {
    guiWindow("RecoverPassenger")->show();
  } else if (clientRole == ROLE_FIREMAN) {
    guiWindow("ExtinguishFire")->show();
  }
  guiWindow("DemoConnection")->hide();
  mFrameListener->resetTurnCounters();
}
