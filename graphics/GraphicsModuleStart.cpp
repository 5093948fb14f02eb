// The start dialog (role and server address), the lobby's connection rows and
// the switch to the role's windows when the exercise starts.
#include "graphics/GraphicsModule.h"

#include <array>

#include <CEGUI/Event.h>
#include <CEGUI/Window.h>
#include <CEGUI/widgets/Editbox.h>
#include <CEGUI/widgets/PushButton.h>
#include <CEGUI/widgets/RadioButton.h>

#include "graphics/AddressCheck.h"
#include "graphics/DebriefRecord.h"
#include "graphics/GraphicsModule_FrameListener.h"
#include "graphics/GuiWindows.h"
#include "graphics/MaterialPanel.h"
#include "graphics/NetworkReports.h"
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

  subscribeScoreWindows();

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

  subscribeViewButtons();
  radioButton("FacilitatorView")->setSelected(true);
  radioButton("SendMedkit")->setSelected(true);
  materialPanel.fillCombos();
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
  std::string host;
  const std::string problem = checkTypedAddress(serverAddress, host);
  if (!problem.empty()) {
    // The dialog stays open and says what is wrong.
    guiWindow("StartAddressHint")->setText(problem.c_str());
    return true;
  }
  mStartRequested = true;
  serverAddress = completeServerAddress(host);
  guiWindow("StartDemoBtn")->getParent()->hide();
  return true;
}

bool GraphicsModule::handleStartConnection(const CEGUI::EventArgs &) {
  if (isClient)
    return true;
  if (!mWaitingForStart)
    return true;
  if (networkReports) {
    networkReports->startExercise();
  } else {
    mWaitingForStart = false;
    recordAction(clientRole, "start", "");
    writeDebrief();
  }
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
