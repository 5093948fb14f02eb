// The scene roster: the chiefs' treatments, extinguishing steps and commands
// applied to passengers and fires, the crew dispatch, the facilitator's
// injects, picking, and the buttons that start them. The counters and
// supplies change here; every station applies each reported action once.
#include "graphics/GraphicsModule.h"

#include <CEGUI/Event.h>
#include <CEGUI/System.h>
#include <CEGUI/Window.h>
#include <CEGUI/widgets/ProgressBar.h>
#include <CEGUI/widgets/PushButton.h>
#include <CEGUI/widgets/RadioButton.h>
#include <OgreEntity.h>
#include <OgreMovableObject.h>
#include <OgreSceneNode.h>

#include "graphics/DebriefRecord.h"
#include "graphics/GuiWindows.h"
#include "graphics/NetworkReports.h"
#include "graphics/ScenePicking.h"
#include "refapp/OgreRefAppCharacter.h"
#include "refapp/OgreRefAppFire.h"
#include "refapp/OgreRefAppNPC.h"
#include "shell/state/ObjectKinds.h"
#include "shell/state/SimulationLog.h"
#include "shell/state/StationState.h"

namespace {

constexpr double EXTINGUISHER_PER_STEP = 2;
constexpr std::int32_t RESOURCE_DELIVERY = 25;
// A fire whose node-scale length is at most this goes out at the next step.
constexpr double FIRE_OUT_SCALE_LENGTH = 0.4;
constexpr double FIRE_SHRINK = 0.01; // per axis and step, before the multiply
const Ogre::Vector3 EXTINGUISHED_FIRE_POSITION(0, 0, -100);
// The facilitator's injects: passengers drop in above the marked point,
// fires start a little above it, at half size.
constexpr double PASSENGER_DROP_HEIGHT = 25;
constexpr double FIRE_HEIGHT = 10;
constexpr double INJECTED_FIRE_SIZE = 0.5;

const char *const CLONE_PREFIX = "clone_";
const char *const RECOVERY_BAR = "RecoveryProgress";
const char *const EXTINGUISH_BAR = "ExtinguishProgress";

// A picked entity names its figure's clone; the roster keys on the figure.
std::string withoutClone(std::string name) {
  if (name.find(CLONE_PREFIX) != std::string::npos)
    name.erase(0, 6);
  return name;
}

// The passenger under that name, or null when the name is not a passenger's
// or the object is of another class (names come from the wire).
OgreRefApp::NPC *passengerNamed(const std::string &name) {
  return isPassenger(name) ? dynamic_cast<OgreRefApp::NPC *>(findNamedObject(name)) : nullptr;
}

OgreRefApp::Fire *fireNamed(const std::string &name) {
  return isFire(name) ? dynamic_cast<OgreRefApp::Fire *>(findNamedObject(name)) : nullptr;
}

OgreRefApp::Character *chiefCharacter(std::uint32_t role) {
  if (!isChiefRole(role) || !clientTable[role])
    return nullptr;
  return clientTable[role]->character;
}

// The roster's name of an object (fires do not carry theirs).
std::string nameOf(const OgreRefApp::ApplicationObject *object) {
  for (const auto &[name, named] : graphicsModule.namedObjects)
    if (named == object)
      return name;
  return "";
}

std::string pointText(const Ogre::Vector3 &point) {
  return std::to_string(point.x) + " " + std::to_string(point.y) + " " + std::to_string(point.z);
}

// By the injury, which every station agrees on, not by the pose.
bool isLying(const OgreRefApp::NPC &passenger) {
  return passenger.injuryLevel > 0;
}

// A fire put out is hidden below the deck without collision: it is never
// counted, paid for or put out again.
bool isOut(const OgreRefApp::Fire &fire) {
  return !fire.isCollisionEnabled();
}

void stopMoving(OgreRefApp::ApplicationObject &object) {
  object.setLinearVelocity(0, 0, 0);
  object.setAngularVelocity(0, 0, 0);
}

// Bars exist only with the GUI (not in the scene tests).
void setBar(const char *window, double value) {
  if (!CEGUI::System::getSingletonPtr())
    return;
  static_cast<CEGUI::ProgressBar *>(guiWindow(window))->setProgress(static_cast<float>(value));
}

const char *ownActionBar() {
  if (clientRole == ROLE_MEDIC)
    return RECOVERY_BAR;
  if (clientRole == ROLE_FIREMAN)
    return EXTINGUISH_BAR;
  return nullptr;
}

} // namespace

OgreRefApp::Character *GraphicsModule::ownCharacter() const {
  return isClient ? chiefCharacter(clientRole) : nullptr;
}

void GraphicsModule::returnToIdle() {
  OgreRefApp::Character *own = ownCharacter();
  if (!own)
    return;
  if (networkReports)
    networkReports->reportCharacterState(OgreRefApp::STATE_IDLE);
  own->setState(OgreRefApp::STATE_IDLE);
}

void GraphicsModule::medicInteractPassenger(std::string name) {
  OgreRefApp::NPC *passenger = passengerNamed(name);
  OgreRefApp::Character *medic = chiefCharacter(ROLE_MEDIC);
  if (!passenger || !medic) {
    writeLog("Interaction on null object or null character");
    return;
  }
  writeLog("Medic interact on passenger");
  stopMoving(*passenger);
  // The injury, not the pose, says what a treatment does: a crew member's
  // treatment counted at its dispatch may not show yet.
  if (passenger->injuryLevel > 0)
    medic->setState(OgreRefApp::STATE_MEDKIT_CROUCH);
  passenger->treat();
  passenger->showInjury();
  stopMoving(*passenger);
  recordAction(ROLE_MEDIC, "treat", name);
}

bool GraphicsModule::firemanInteractFire(std::string name) {
  OgreRefApp::Fire *fire = fireNamed(name);
  if (!fire) {
    writeLog("Interaction on null object");
    return false;
  }
  if (isOut(*fire)) {
    writeLog("Interaction on extinguished fire");
    return false;
  }
  writeLog("Fireman interact on fire");
  if (OgreRefApp::Character *fireman = chiefCharacter(ROLE_FIREMAN))
    fireman->setState(OgreRefApp::STATE_FIRE_SHOOT);
  Ogre::SceneNode *node = fire->getSceneNode();
  const Ogre::Vector3 scale = node->getScale();
  bool wentOut = false;
  if (scale.length() > FIRE_OUT_SCALE_LENGTH) {
    const Ogre::Vector3 factor = scale - Ogre::Vector3(FIRE_SHRINK, FIRE_SHRINK, FIRE_SHRINK);
    node->scale(factor);
    fire->resizeCollisionArea(factor);
  } else {
    putFireOut(*fire);
    wentOut = true;
  }
  extinguisherSupply -= EXTINGUISHER_PER_STEP;
  recordAction(ROLE_FIREMAN, "extinguish", name);
  if (wentOut)
    recordAction(ROLE_FIREMAN, "fire out", name);
  return wentOut;
}

void GraphicsModule::putFireOut(OgreRefApp::Fire &fire) {
  fire.getSceneNode()->setVisible(false, true);
  fire.setPosition(EXTINGUISHED_FIRE_POSITION);
  fire.setDynamicsEnabled(false, false);
  fire.setCollisionEnabled(false);
  extinguishedCount += 1;
}

void GraphicsModule::applyOwnFireOut() {
  mTimedAction.stop();
  returnToIdle();
  resetActionProgress();
}

void GraphicsModule::requestStopFollow() {
  const std::string name = withoutClone(selectedObjectName);
  if (clientRole != ROLE_CAPTAIN || !isPassenger(name) || !ownCharacter() || !networkReports)
    return;
  networkReports->reportStopFollow(name);
}

void GraphicsModule::requestFollow() {
  const std::string name = withoutClone(selectedObjectName);
  if (clientRole != ROLE_CAPTAIN || !ownCharacter() || !networkReports)
    return;
  const OgreRefApp::NPC *passenger = passengerNamed(name);
  if (passenger && !isLying(*passenger))
    networkReports->reportFollow(name);
}

void GraphicsModule::requestMoveToDest() {
  const std::string name = withoutClone(selectedObjectName);
  if (clientRole != ROLE_CAPTAIN || !ownCharacter() || !networkReports)
    return;
  const OgreRefApp::NPC *passenger = passengerNamed(name);
  if (passenger && !isLying(*passenger))
    networkReports->reportMoveToDest(name, markedDestination);
}

void GraphicsModule::npcStopFollow(std::uint32_t role, std::string name) {
  OgreRefApp::NPC *passenger = passengerNamed(name);
  if (!isChiefRole(role) || !clientTable[role] || !passenger || isLying(*passenger))
    return;
  passenger->stopFollowObject();
  recordAction(role, "stop", name);
}

void GraphicsModule::npcFollow(std::uint32_t role, std::string name) {
  OgreRefApp::NPC *passenger = passengerNamed(name);
  OgreRefApp::ApplicationObject *leader = chiefCharacter(role);
  if (!passenger || !leader)
    return;
  passenger->startFollowObject(leader);
  markEngaged(*passenger);
  recordAction(role, "follow", name);
}

void GraphicsModule::npcMoveToDest(std::uint32_t role, std::string name, Ogre::Vector3 dest) {
  OgreRefApp::NPC *passenger = passengerNamed(name);
  if (!passenger)
    return;
  passenger->moveToDest(dest);
  markEngaged(*passenger);
  recordAction(role, role == ROLE_FACILITATOR ? "facilitator move" : "walk", name + " to " + pointText(dest));
}

void GraphicsModule::markEngaged(OgreRefApp::NPC &passenger) {
  if (passenger.engaged)
    return;
  passenger.engaged = true;
  rescuedCount += 1;
}

void GraphicsModule::crewWorksOn(std::uint32_t role, std::string targetName) {
  if (!isRunning())
    return;
  // A member leaves its pool only when it really went: a target that cannot
  // be worked on, or a chief not present, keeps it available.
  std::vector<OgreRefApp::NPC *> *pool = nullptr;
  if (role == ROLE_MEDIC && medkitSupply > 0 && isPassenger(targetName))
    pool = &medicCrewPool;
  else if (role == ROLE_FIREMAN && extinguisherSupply > 0 && isFire(targetName))
    pool = &fireCrewPool;
  if (!pool || pool->empty())
    return;
  OgreRefApp::NPC *member = pool->back();
  const bool went = role == ROLE_MEDIC ? member->workOnPassenger(targetName) : member->workOnFire(targetName);
  if (!went)
    return;
  pool->pop_back();
  recordAction(role, "crew dispatch", member->getName() + " to " + targetName);
}

void GraphicsModule::finishAllCrewWork() {
  for (const auto &[name, object] : namedObjects)
    if (auto *npc = dynamic_cast<OgreRefApp::NPC *>(object); npc && npc->isWorking())
      npc->finishCrewWork();
}

void GraphicsModule::addResource(std::int32_t kind, std::int32_t amount) {
  if (kind == 0)
    medkitSupply += amount;
  else if (kind == 1)
    extinguisherSupply += amount;
  else
    return;
  recordAction(ROLE_FACILITATOR, "supplies",
               std::string(kind == 0 ? "medkits " : "extinguishers ") + std::to_string(amount));
}

OgreRefApp::NPC *GraphicsModule::injectPassenger(const Ogre::Vector3 &at) {
  OgreRefApp::NPC *passenger = spawnPassenger(at);
  recordAction(ROLE_FACILITATOR, "add passenger", passenger->getName() + " at " + pointText(at));
  return passenger;
}

OgreRefApp::Fire *GraphicsModule::injectFire(const Ogre::Vector3 &at, double size) {
  OgreRefApp::Fire *fire = spawnFire(false, size, at);
  recordAction(ROLE_FACILITATOR, "add fire", nameOf(fire) + " at " + pointText(at));
  return fire;
}

bool GraphicsModule::setCharacterState(std::uint32_t role, const std::string &state) {
  OgreRefApp::Character *chief = chiefCharacter(role);
  if (!chief) {
    writeLog("NULL charID\n");
    return false;
  }
  // The engine throws on an animation the figure lacks, which would end the
  // station: a word from the wire is checked first.
  Ogre::Entity *clone = chief->getCloneEntity();
  if (!clone || !clone->hasAnimationState(state)) {
    writeLog("Unknown character state dropped: " + state.substr(0, 40));
    return false;
  }
  chief->setState(state);
  recordAction(role, "state", state);
  return true;
}

void GraphicsModule::releaseFollowersOf(std::uint32_t role) {
  const OgreRefApp::ApplicationObject *leaving = chiefCharacter(role);
  if (!leaving)
    return;
  // Nobody may keep walking after a figure that is gone.
  for (const auto &[name, object] : namedObjects) {
    OgreRefApp::NPC *passenger = passengerNamed(name);
    if (passenger && passenger->getFollowTarget() == leaving)
      passenger->stopFollowObject();
  }
}

void GraphicsModule::interactWithPicked(Ogre::MovableObject *object) {
  const std::string name = withoutClone(object->getName());
  switch (clientRole) {
  case ROLE_CAPTAIN:
    break; // the captain's pick only selects; the command buttons act
  case ROLE_MEDIC:
    if (isPassenger(name) && ownCharacter()) {
      if (networkReports)
        networkReports->reportTreatment(name);
      medicInteractPassenger(name);
    }
    break;
  case ROLE_FIREMAN:
    if (isFire(name) && ownCharacter()) {
      const OgreRefApp::Fire *fire = fireNamed(name);
      if (!fire || isOut(*fire))
        break;
      if (networkReports)
        networkReports->reportExtinguishStep(name);
      // The action ends on the station whose own step put the fire out, and
      // nowhere else.
      if (firemanInteractFire(name))
        applyOwnFireOut();
    }
    break;
  case ROLE_FACILITATOR: {
    // Refused for lying passengers, as the captain's command is, and sent to
    // every chief, so every scene walks the same passenger.
    const OgreRefApp::NPC *passenger = passengerNamed(name);
    if (!passenger || isLying(*passenger))
      break;
    if (networkReports)
      networkReports->reportFacilitatorMove(name, markedDestination);
    npcMoveToDest(ROLE_FACILITATOR, name, markedDestination);
    break;
  }
  default:
    writeLog("characterID error");
    break;
  }
}

void GraphicsModule::resetActionProgress() {
  if (const char *bar = ownActionBar())
    setBar(bar, 0);
}

void GraphicsModule::rightClickPick(const Ogre::Ray &ray) {
  if (!mRaySceneQuery)
    return;
  PickRules rules;
  rules.chief = isClient;
  rules.passedOver = {"PlayerCam", "clone_captain", "clone_fireman", "clone_medic"};
  writeLog("Executed right click picking");
  const PickOutcome outcome = pickAlongRay(*mRaySceneQuery, ray, rules);
  if (outcome.wallHit)
    selectedObjectName.clear();
  if (!outcome.object)
    return;
  selectedObjectName = outcome.object->getName();
  writeLog("npc name in interaction : " + selectedObjectName);
  if (clientRole == ROLE_CAPTAIN || clientRole == ROLE_FACILITATOR)
    interactWithPicked(outcome.object);
}

void GraphicsModule::pickAtCursor(const Ogre::Ray &ray) {
  if (!mRaySceneQuery)
    return;
  PickRules rules;
  rules.chief = isClient;
  // The own figure stands hidden around the camera: it must not catch the ray.
  rules.passedOver = {"PlayerCam", CLONE_PREFIX + roleName};
  writeLog("Executed E button picking");
  const PickOutcome outcome = pickAlongRay(*mRaySceneQuery, ray, rules);
  if (outcome.object)
    interactWithPicked(outcome.object);
}

void GraphicsModule::markDestination(const Ogre::Ray &ray) {
  markedDestination = groundPointAlong(ray);
}

void GraphicsModule::stepTimedAction(const Ogre::Ray &ray) {
  if (!mTimedAction.actionActive || !isRunning())
    return;
  const TimedActionFrame frame = mTimedAction.step(clientRole);
  const char *bar = ownActionBar();
  if (!frame.showsProgress || !bar)
    return;
  setBar(bar, frame.progress);
  if (frame.pickNow)
    pickAtCursor(ray);
  if (frame.finished) {
    setBar(bar, 0);
    returnToIdle();
  }
}

// ---- Buttons ----

void GraphicsModule::subscribeExerciseControls() {
  using Handler = bool (GraphicsModule::*)(const CEGUI::EventArgs &);
  const std::pair<const char *, Handler> buttons[] = {
      {"SendResource", &GraphicsModule::handleSendResource},
      {"AddPassenger", &GraphicsModule::handleAddPassenger},
      {"CreateFire", &GraphicsModule::handleCreateFire},
      {"RecoveryBtn", &GraphicsModule::handleCrewWork},
      {"FollowBtn", &GraphicsModule::handleFollow},
      {"ReleaseFollowBtn", &GraphicsModule::handleReleaseFollow},
      {"DirectBtn", &GraphicsModule::handleDirect},
      {"ExtinguishBtn", &GraphicsModule::handleCrewWork},
  };
  for (const auto &[window, handler] : buttons)
    guiWindow(window)->subscribeEvent(CEGUI::PushButton::EventClicked,
                                      CEGUI::Event::Subscriber(handler, this));
  for (const char *window : {"SendMedkit", "SendExtinguisher"})
    guiWindow(window)->subscribeEvent(CEGUI::RadioButton::EventSelectStateChanged,
                                      CEGUI::Event::Subscriber(&GraphicsModule::handleResourceChoice, this));
}

// The facilitator's injects change the counters the scores are made of: once
// the exercise has ended they would change them after the ratings.
bool GraphicsModule::handleSendResource(const CEGUI::EventArgs &) {
  if (isClient || !isRunning())
    return true;
  if (networkReports)
    networkReports->reportResource(mResourceKind, RESOURCE_DELIVERY);
  addResource(mResourceKind, RESOURCE_DELIVERY);
  return true;
}

bool GraphicsModule::handleAddPassenger(const CEGUI::EventArgs &) {
  if (isClient || !isRunning())
    return true;
  const Ogre::Vector3 at = markedDestination + Ogre::Vector3(0, 0, PASSENGER_DROP_HEIGHT);
  if (networkReports)
    networkReports->reportAddPassenger(at);
  injectPassenger(at);
  return true;
}

bool GraphicsModule::handleCreateFire(const CEGUI::EventArgs &) {
  if (isClient || !isRunning())
    return true;
  const Ogre::Vector3 at = markedDestination + Ogre::Vector3(0, 0, FIRE_HEIGHT);
  if (networkReports)
    networkReports->reportCreateFire(at, INJECTED_FIRE_SIZE);
  injectFire(at, INJECTED_FIRE_SIZE);
  return true;
}

bool GraphicsModule::handleCrewWork(const CEGUI::EventArgs &) {
  if (!isRunning() || !networkReports || !ownCharacter())
    return true;
  if (clientRole == ROLE_MEDIC || clientRole == ROLE_FIREMAN)
    networkReports->reportCrewInteraction(clientRole, withoutClone(selectedObjectName));
  return true;
}

bool GraphicsModule::handleFollow(const CEGUI::EventArgs &) {
  if (isRunning())
    requestFollow();
  return true;
}

bool GraphicsModule::handleReleaseFollow(const CEGUI::EventArgs &) {
  if (isRunning())
    requestStopFollow();
  return true;
}

bool GraphicsModule::handleDirect(const CEGUI::EventArgs &) {
  if (isRunning())
    requestMoveToDest();
  return true;
}

bool GraphicsModule::handleResourceChoice(const CEGUI::EventArgs &) {
  const auto *button = static_cast<CEGUI::RadioButton *>(guiWindow("SendMedkit"));
  if (const CEGUI::RadioButton *selected = button->getSelectedButtonInGroup())
    mResourceKind = static_cast<std::int32_t>(selected->getID());
  return true;
}
