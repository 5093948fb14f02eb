// The chiefs' characters as the network reports them, and the facilitator's
// view through a chief's eyes.
#include "graphics/GraphicsModule.h"

#include <array>

#include <CEGUI/Event.h>
#include <CEGUI/Window.h>
#include <CEGUI/widgets/RadioButton.h>
#include <OgreEntity.h>
#include <OgreSceneNode.h>

#include "graphics/DebriefRecord.h"
#include "graphics/GuiWindows.h"
#include "refapp/OgreRefAppCharacter.h"
#include "refapp/OgreRefAppCollideCamera.h"
#include "refapp/OgreRefAppNPC.h"
#include "refapp/OgreRefAppWorld.h"
#include "shell/state/SimulationLog.h"
#include "shell/state/StationState.h"

namespace {

// View buttons by ID: the watched chief's role code, 3 the free camera.
const std::array<const char *, 4> VIEW_BUTTONS = {"CaptainView", "MedicView", "FireView", "FacilitatorView"};

OgreRefApp::Character *characterOf(std::uint32_t role) {
  return isChiefRole(role) && clientTable[role] ? clientTable[role]->character : nullptr;
}

void showFigure(OgreRefApp::Character &character, bool visible) {
  if (character.getEntity())
    character.getEntity()->setVisible(visible);
  if (character.getCloneEntity())
    character.getCloneEntity()->setVisible(visible);
}

std::string placementText(double x, double y, double z) {
  return std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z);
}

} // namespace

void GraphicsModule::addCharacter(std::uint32_t role, double x, double y, double z, double yaw,
                                  double pitch) {
  if (!isChiefRole(role) || !clientTable[role]) {
    writeLog("NULL charID\n");
    return;
  }
  ClientRecord &record = *clientTable[role];
  OgreRefApp::Character *character = mParkedCharacters[role];
  mParkedCharacters[role] = nullptr;
  if (!character)
    character =
        mWorld->createCharacter(record.name, record.mesh, Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY);
  record.character = character;
  character->setOrientation(Ogre::Quaternion::IDENTITY);
  showFigure(*character, true);
  character->setCollisionEnabled(true);
  character->setDynamicsEnabled(false, true);
  character->setState(OgreRefApp::STATE_IDLE);
  record.placement = {x, y, z, yaw, pitch, record.placement[5]};
  character->setPosition(Ogre::Vector3(Ogre::Real(x), Ogre::Real(y), Ogre::Real(z)));
  character->pitch(Ogre::Degree(90));
  character->yaw(Ogre::Degree(-90));
  character->yaw(Ogre::Degree(Ogre::Real(yaw)));
  recordAction(role, "join", placementText(x, y, z));
  if (!isClient || role != clientRole)
    return;
  writeLog("Set initial position of " + roleName);
  showFigure(*character, false);
  character->setCollisionEnabled(false);
  character->setDynamicsEnabled(false, false);
  mCamera->setPosition(Ogre::Vector3(Ogre::Real(x), Ogre::Real(y), Ogre::Real(z + 15)));
  mCamera->setDirection(-1, 0, 0);
  mCamera->yaw(Ogre::Degree(Ogre::Real(yaw)));
}

void GraphicsModule::moveCharacter(std::uint32_t role, double x, double y, double z, double yawDelta,
                                   double pitchDelta) {
  (void)pitchDelta; // the figure stays upright; the pitch is kept in the placement only
  OgreRefApp::Character *character = characterOf(role);
  if (!character) {
    writeLog("NULL charID\n");
    return;
  }
  character->setPosition(Ogre::Vector3(Ogre::Real(x), Ogre::Real(y), Ogre::Real(z)));
  character->yaw(Ogre::Degree(Ogre::Real(yawDelta)));
  character->setLinearVelocity(Ogre::Vector3::ZERO);
  character->setAngularVelocity(Ogre::Vector3::ZERO);
  recordAction(role, "move", placementText(x, y, z));
  if (!isClient && viewedRole == static_cast<int>(role))
    followViewedChief();
}

void GraphicsModule::removeCharacter(std::uint32_t role) {
  OgreRefApp::Character *character = characterOf(role);
  if (!isChiefRole(role) || !clientTable[role]) {
    writeLog("NULL charID\n");
    return;
  }
  if (character) {
    releaseFollowersOf(role);
    showFigure(*character, false);
    character->setCollisionEnabled(false);
    character->setDynamicsEnabled(false, false);
    mParkedCharacters[role] = character;
    clientTable[role]->character = nullptr;
  }
  recordAction(role, "leave", "");
  if (!isClient && viewedRole == static_cast<int>(role)) {
    viewedRole = ROLE_FACILITATOR;
    if (mGUISystem)
      static_cast<CEGUI::RadioButton *>(guiWindow("FacilitatorView"))->setSelected(true);
  }
}

void GraphicsModule::followViewedChief() {
  OgreRefApp::Character *character =
      viewedRole >= 0 ? characterOf(static_cast<std::uint32_t>(viewedRole)) : nullptr;
  if (!character || !mCamera)
    return;
  mCamera->setPosition(character->getPosition() + Ogre::Vector3(0, 0, 15));
  mCamera->setOrientation(character->getOrientation());
  mCamera->yaw(Ogre::Degree(180));
}

void GraphicsModule::subscribeViewButtons() {
  for (const char *button : VIEW_BUTTONS)
    guiWindow(button)->subscribeEvent(CEGUI::RadioButton::EventSelectStateChanged,
                                      CEGUI::Event::Subscriber(&GraphicsModule::handleViewChoice, this));
}

bool GraphicsModule::handleViewChoice(const CEGUI::EventArgs &) {
  CEGUI::RadioButton *selected =
      static_cast<CEGUI::RadioButton *>(guiWindow(VIEW_BUTTONS[0]))->getSelectedButtonInGroup();
  if (!selected || selected->getID() > ROLE_FACILITATOR)
    return true;
  viewedRole = static_cast<int>(selected->getID());
  if (!isClient)
    followViewedChief();
  markDebriefChanged();
  return true;
}

void GraphicsModule::showLinkStatus(const std::string &words) {
  mLinkStatus = words;
  markDebriefChanged();
  if (mGUISystem)
    guiWindow("LobbyHint")->setText(words.c_str());
}
