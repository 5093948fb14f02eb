// The scene roster in the real generated ship: treatments, extinguishing
// steps, the captain's commands, the crew dispatch, names and state words
// from the wire, and the action picking of a chief at its start. Reports go
// to a recording stand-in for the network. Run under Xvfb.
#include <chrono>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <CEGUI/CEGUI.h>
#include <CEGUI/RendererModules/Null/Renderer.h>

#include <OgreAnimationState.h>
#include <OgreCamera.h>
#include <OgreEntity.h>
#include <OgreFrameListener.h>
#include <OgreRenderWindow.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreSceneQuery.h>
#include <OgreViewport.h>

#include "graphics/DebriefRecord.h"
#include "graphics/GraphicsModule.h"
#include "graphics/GuiWindows.h"
#include "graphics/NetworkReports.h"
#include "graphics/ScenePicking.h"
#include "graphics/TimedAction.h"
#include "refapp/OgreRefAppCharacter.h"
#include "refapp/OgreRefAppFigure.h"
#include "refapp/OgreRefAppFire.h"
#include "refapp/OgreRefAppNPC.h"
#include "refapp/OgreRefAppWorld.h"
#include "shell/state/StationState.h"
#include "tests/level/ShipPositions.h"
#include "tests/support/RefAppTestScene.h"

namespace {

using OgreRefApp::Fire;
using OgreRefApp::NPC;

// Every report as one line of words, in the order sent.
class RecordingReports : public NetworkReports {
public:
  std::vector<std::string> sent;

  void reportTreatment(const std::string &name) override { note("treat", name); }
  void reportExtinguishStep(const std::string &name) override { note("extinguish", name); }
  bool reportCharacterState(const std::string &state) override {
    note("state", state);
    return true;
  }
  bool reportMovement(double, double, double, double, double) override { return true; }
  void startExercise() override {}
  void sendRatings(std::uint32_t, double, double, double) override {}
  void broadcastRatingMenu() override {}
  void broadcastFinalScores(double, double, double) override {}
  void reportFollow(const std::string &name) override { note("follow", name); }
  void reportStopFollow(const std::string &name) override { note("stop", name); }
  void reportMoveToDest(const std::string &name, const Ogre::Vector3 &to) override {
    note("walk", name, to.x, to.y, to.z);
  }
  void reportCrewInteraction(std::uint32_t role, const std::string &name) override {
    note("crew", role, name);
  }
  void reportResource(std::int32_t kind, std::int32_t amount) override { note("resource", kind, amount); }
  void reportAddPassenger(const Ogre::Vector3 &to) override { note("passenger", to.x, to.y, to.z); }
  void reportCreateFire(const Ogre::Vector3 &to, double size) override {
    note("fire", to.x, to.y, to.z, size);
  }
  void reportFacilitatorMove(const std::string &name, const Ogre::Vector3 &to) override {
    note("facilitator walk", name, to.x, to.y, to.z);
  }

private:
  template <class... Words> void note(const char *what, const Words &...words) {
    std::ostringstream text;
    text << what;
    ((text << ' ' << words), ...);
    sent.push_back(text.str());
  }
};

RecordingReports reports;

// A chief's figure as the roster makes it; the station's own chief stands
// hidden and without collision.
void seatChief(std::uint32_t role, const Ogre::Vector3 &at) {
  clientTable[role] = makeClientRecord(role);
  OgreRefApp::Character *figure =
      graphicsModule.mWorld->createCharacter(roleTable[role].recordName, roleTable[role].mesh);
  figure->setCollisionEnabled(true);
  figure->setDynamicsEnabled(false, true);
  figure->setState(OgreRefApp::STATE_IDLE);
  figure->setPosition(at);
  OgreRefApp::turnUpright(*figure);
  clientTable[role]->character = figure;
}

void makeOwn(std::uint32_t role) {
  isClient = role != ROLE_FACILITATOR;
  clientRole = role;
  roleName = roleTable[role].roleWord;
}

void hideAsOwn(OgreRefApp::Character &figure) {
  figure.getEntity()->setVisible(false);
  figure.getCloneEntity()->setVisible(false);
  figure.setCollisionEnabled(false);
  figure.setDynamicsEnabled(false, false);
}

NPC *passenger(const std::string &name) {
  return dynamic_cast<NPC *>(findNamedObject(name));
}

// A passenger healed outside the roster: up, and no longer injured.
void standUp(NPC &p) {
  p.setState(OgreRefApp::STATE_IDLE);
  p.injuryLevel = 0;
}

Fire *fire(const std::string &name) {
  return dynamic_cast<Fire *>(findNamedObject(name));
}

// Empties a chief's slot for the lifetime of the guard.
class AbsentChief {
public:
  explicit AbsentChief(std::uint32_t role) : mRole(role), mRecord(std::move(clientTable[role])) {}
  ~AbsentChief() { clientTable[mRole] = std::move(mRecord); }

private:
  std::uint32_t mRole;
  std::unique_ptr<ClientRecord> mRecord;
};

class Roster : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    sw::test::RefAppScene &scene = sw::test::refAppScene();
    graphicsModule.createInitialObjects();
    graphicsModule.mRaySceneQuery = scene.sceneMgr->createRayQuery(Ogre::Ray(), 0xFFFFFFFF);
    seatChief(ROLE_CAPTAIN, Ogre::Vector3(-560, -280, 0.948548));
    seatChief(ROLE_MEDIC, Ogre::Vector3(-570, -75, 0.948548));
    seatChief(ROLE_FIREMAN, Ogre::Vector3(-500, -180, 0.948548));
    networkReports = &reports;
  }
  static void TearDownTestSuite() {
    networkReports = nullptr;
    graphicsModule.mSceneMgr->destroyQuery(graphicsModule.mRaySceneQuery);
    graphicsModule.mRaySceneQuery = nullptr;
  }
  void SetUp() override {
    reports.sent.clear();
    graphicsModule.mWaitingForStart = false;
    graphicsModule.mTimedAction = TimedAction();
    medkitSupply = 100;
    extinguisherSupply = 100;
  }
};

// Every station builds the same opening scene, at the places of the ship's
// own list (kept apart from the station's table on purpose).
TEST_F(Roster, OpeningSceneHoldsEighteenObjectsWhereTheShipsLayoutPutsThem) {
  ASSERT_EQ(graphicsModule.namedObjects.size(), 18u);
  EXPECT_EQ(passengerCount, 8.0);
  EXPECT_EQ(fireCount, 6.0);
  EXPECT_EQ(medicCrewPool.back(), findNamedObject("CREWilkyardim15"));
  EXPECT_EQ(fireCrewPool.back(), findNamedObject("CREWyangin17"));
  const auto check = [](const char *prefix, const std::vector<shiptest::Place> &places, const char *pose) {
    for (const shiptest::Place &place : places) {
      const std::string name = prefix + place.what.substr(place.what.rfind(' ') + 1);
      const OgreRefApp::ApplicationObject *object = findNamedObject(name);
      ASSERT_NE(object, nullptr) << name;
      EXPECT_NEAR(object->getPosition().x, place.at[0], 1.0) << name;
      EXPECT_NEAR(object->getPosition().y, place.at[1], 1.0) << name;
      const auto *npc = dynamic_cast<const NPC *>(object);
      if (pose)
        EXPECT_EQ(npc ? npc->getCurrentAnimationName() : "", pose) << name;
      else
        EXPECT_NE(dynamic_cast<const Fire *>(object), nullptr) << name;
    }
  };
  check("fireparticle", shiptest::fires(), nullptr);
  check("passenger", shiptest::passengers(), "DeadBack");
  check("CREWilkyardim", {shiptest::crew()[0], shiptest::crew()[1]}, "Idle");
  check("CREWyangin", {shiptest::crew()[2], shiptest::crew()[3]}, "Idle");
}

// Two treatments raise a lying passenger (five kits each), nine steps put a
// fire out (two extinguishers each); what follows, or a target of the wrong
// kind, an unknown name or an absent medic, changes nothing more.
TEST_F(Roster, TreatmentsAndExtinguishingStepsCountOnlyOnTheirOwnTargets) {
  makeOwn(ROLE_FACILITATOR); // relayed actions
  NPC *lying = passenger("passenger4");
  const double healedBefore = healedCount;
  graphicsModule.medicInteractPassenger("passenger4");
  EXPECT_EQ(lying->getCurrentAnimationName(), "DeadSitting");
  EXPECT_EQ(healedCount, healedBefore);
  graphicsModule.medicInteractPassenger("passenger4");
  EXPECT_EQ(lying->getCurrentAnimationName(), "Idle");
  EXPECT_EQ(healedCount, healedBefore + 1);
  graphicsModule.medicInteractPassenger("passenger4"); // standing: the kit is spent, nothing else
  EXPECT_EQ(healedCount, healedBefore + 1);
  EXPECT_EQ(medkitSupply, 85);

  Fire *burning = fire("fireparticle1");
  Ogre::SceneNode *node = burning->getSceneNode();
  const double outBefore = extinguishedCount;
  for (int step = 0; step < 8; ++step) {
    const Ogre::Real before = node->getScale().x;
    EXPECT_FALSE(graphicsModule.firemanInteractFire("fireparticle1"));
    EXPECT_LT(node->getScale().x, before);
    EXPECT_TRUE(burning->isCollisionEnabled());
  }
  EXPECT_TRUE(graphicsModule.firemanInteractFire("fireparticle1"));
  EXPECT_EQ(extinguisherSupply, 82);
  EXPECT_EQ(extinguishedCount, outBefore + 1);
  EXPECT_FALSE(burning->isCollisionEnabled());
  EXPECT_EQ(burning->getPosition(), Ogre::Vector3(0, 0, -100));
  EXPECT_FALSE(graphicsModule.firemanInteractFire("fireparticle1")); // out once and for all

  const Ogre::Vector3 fireScale = fire("fireparticle0")->getSceneNode()->getScale();
  const Ogre::Vector3 passengerScale = passenger("passenger6")->getSceneNode()->getScale();
  graphicsModule.medicInteractPassenger("fireparticle0");
  graphicsModule.medicInteractPassenger("passenger999");
  EXPECT_FALSE(graphicsModule.firemanInteractFire("passenger6"));
  {
    AbsentChief noMedic(ROLE_MEDIC);
    graphicsModule.medicInteractPassenger("passenger5");
  }
  EXPECT_EQ(fire("fireparticle0")->getSceneNode()->getScale(), fireScale);
  EXPECT_EQ(passenger("passenger6")->getSceneNode()->getScale(), passengerScale);
  EXPECT_EQ(passenger("passenger5")->getCurrentAnimationName(), "DeadBack");
  EXPECT_EQ(medkitSupply, 85);
  EXPECT_EQ(extinguisherSupply, 82);
  EXPECT_EQ(extinguishedCount, outBefore + 1);
  EXPECT_EQ(healedCount, healedBefore + 1);
  EXPECT_TRUE(reports.sent.empty());
}

TEST_F(Roster, FireOutEndsTheActionOnlyOnTheFiremansOwnStep) {
  // Bring two fires to their last step.
  makeOwn(ROLE_FACILITATOR);
  for (int step = 0; step < 8; ++step) {
    graphicsModule.firemanInteractFire("fireparticle2");
    graphicsModule.firemanInteractFire("fireparticle3");
  }
  reports.sent.clear();

  // The medic's station applies the fireman's relayed last step mid-treatment.
  makeOwn(ROLE_MEDIC);
  graphicsModule.mTimedAction.actionActive = true;
  EXPECT_TRUE(graphicsModule.firemanInteractFire("fireparticle2"));
  EXPECT_TRUE(graphicsModule.mTimedAction.actionActive);
  EXPECT_TRUE(reports.sent.empty());

  // The fireman's own last step: reported, the action ends, "Idle" reported.
  makeOwn(ROLE_FIREMAN);
  graphicsModule.mTimedAction.actionActive = true;
  graphicsModule.interactWithPicked(fire("fireparticle3")->getEntity());
  EXPECT_FALSE(graphicsModule.mTimedAction.actionActive);
  EXPECT_EQ(reports.sent, (std::vector<std::string>{"extinguish fireparticle3", "state Idle"}));
  EXPECT_FALSE(fire("fireparticle3")->isCollisionEnabled());

  // A picked fire that is out is neither reported nor paid for.
  reports.sent.clear();
  const double supply = extinguisherSupply;
  graphicsModule.interactWithPicked(fire("fireparticle3")->getEntity());
  EXPECT_TRUE(reports.sent.empty());
  EXPECT_EQ(extinguisherSupply, supply);
}

// The captain's station sends its commands only for a standing passenger
// and applies them when the server's copy returns; a leaving captain's
// followers stop.
TEST_F(Roster, CaptainsCommandsWaitForTheServersCopyAndALeavingCaptainReleasesHisFollowers) {
  makeOwn(ROLE_CAPTAIN);
  NPC *p = passenger("passenger7");
  selectedObjectName = "clone_passenger7";
  graphicsModule.markedDestination = Ogre::Vector3(-400, -100, 0);
  graphicsModule.requestFollow(); // lying: nothing sent
  standUp(*p);
  graphicsModule.requestFollow();
  graphicsModule.requestMoveToDest();
  EXPECT_EQ(reports.sent, (std::vector<std::string>{"follow passenger7", "walk passenger7 -400 -100 0"}));
  EXPECT_FALSE(p->isFollowing());
  graphicsModule.npcFollow(ROLE_CAPTAIN, "passenger7");
  EXPECT_EQ(p->getFollowTarget(), clientTable[ROLE_CAPTAIN]->character);
  graphicsModule.releaseFollowersOf(ROLE_CAPTAIN);
  EXPECT_FALSE(p->isFollowing());
  EXPECT_EQ(p->getFollowTarget(), nullptr);
  reports.sent.clear();
  {
    AbsentChief noCaptain(ROLE_CAPTAIN); // without its own slot nothing is sent
    graphicsModule.requestFollow();
    graphicsModule.requestMoveToDest();
  }
  EXPECT_TRUE(reports.sent.empty());
}

TEST_F(Roster, CrewLeavesItsPoolOnlyWhenItReallyWent) {
  makeOwn(ROLE_FACILITATOR);
  ASSERT_EQ(medicCrewPool.size(), 2u);
  ASSERT_EQ(fireCrewPool.size(), 2u);
  standUp(*passenger("passenger9"));
  const std::string lying = "passenger11";
  ASSERT_EQ(passenger(lying)->getCurrentAnimationName(), "DeadBack");

  graphicsModule.crewWorksOn(ROLE_MEDIC, "passenger9");      // standing passenger
  graphicsModule.crewWorksOn(ROLE_MEDIC, "fireparticle0");   // wrong kind
  graphicsModule.crewWorksOn(ROLE_FIREMAN, lying);           // wrong kind
  graphicsModule.crewWorksOn(ROLE_FIREMAN, "fireparticle1"); // out already
  graphicsModule.crewWorksOn(ROLE_CAPTAIN, lying);           // no crew of that role
  {
    AbsentChief noMedic(ROLE_MEDIC);
    AbsentChief noFireman(ROLE_FIREMAN);
    graphicsModule.crewWorksOn(ROLE_MEDIC, lying);
    graphicsModule.crewWorksOn(ROLE_FIREMAN, "fireparticle8");
  }
  // Out of supplies (below zero after an odd delivery): neither a crew nor
  // the chief's own action key starts.
  medkitSupply = 0;
  extinguisherSupply = -1;
  graphicsModule.crewWorksOn(ROLE_MEDIC, lying);
  graphicsModule.crewWorksOn(ROLE_FIREMAN, "fireparticle8");
  TimedAction &action = graphicsModule.mTimedAction;
  action.start(ROLE_MEDIC, medkitSupply, extinguisherSupply);
  action.start(ROLE_FIREMAN, medkitSupply, extinguisherSupply);
  EXPECT_FALSE(action.actionActive);
  action.start(ROLE_CAPTAIN, medkitSupply, extinguisherSupply);
  EXPECT_TRUE(action.actionActive);
  action = TimedAction();
  medkitSupply = 100;
  extinguisherSupply = 100;
  graphicsModule.mWaitingForStart = true; // not running
  graphicsModule.crewWorksOn(ROLE_MEDIC, lying);
  graphicsModule.mWaitingForStart = false;
  EXPECT_EQ(medicCrewPool.size(), 2u);
  EXPECT_EQ(fireCrewPool.size(), 2u);
  {
    std::vector<NPC *> saved;
    saved.swap(medicCrewPool);
    graphicsModule.crewWorksOn(ROLE_MEDIC, lying); // empty pool: dropped
    saved.swap(medicCrewPool);
  }

  NPC *medicCrew = medicCrewPool.back();
  NPC *fireCrew = fireCrewPool.back();
  graphicsModule.crewWorksOn(ROLE_MEDIC, lying);
  graphicsModule.crewWorksOn(ROLE_FIREMAN, "fireparticle8");
  EXPECT_EQ(medicCrewPool.size(), 1u);
  EXPECT_EQ(fireCrewPool.size(), 1u);
  EXPECT_TRUE(medicCrew->isWorking());
  EXPECT_EQ(medicCrew->getTargetName(), lying);
  EXPECT_TRUE(fireCrew->isWorking());
  EXPECT_EQ(fireCrew->getTargetName(), "fireparticle8");
  // The treatment is counted and paid at its dispatch, shown when the work ends.
  EXPECT_EQ(medkitSupply, 95);
  EXPECT_EQ(passenger(lying)->injuryLevel, 1);
  EXPECT_EQ(passenger(lying)->getCurrentAnimationName(), "DeadBack");
}

TEST_F(Roster, UnknownStateWordsAreDropped) {
  OgreRefApp::Character *medic = clientTable[ROLE_MEDIC]->character;
  ASSERT_TRUE(graphicsModule.setCharacterState(ROLE_MEDIC, "Medkit_Crouch_Shoot1"));
  EXPECT_FALSE(graphicsModule.setCharacterState(ROLE_MEDIC, "Moonwalk"));
  EXPECT_FALSE(graphicsModule.setCharacterState(ROLE_MEDIC, ""));
  EXPECT_EQ(medic->getCurrentAnimation()->getAnimationName(), "Medkit_Crouch_Shoot1");
  EXPECT_FALSE(graphicsModule.setCharacterState(7, "Idle"));
}

TEST_F(Roster, MedicAtItsStartPicksThePassengerInFrontNotItsOwnFigure) {
  makeOwn(ROLE_MEDIC);
  OgreRefApp::Character *own = clientTable[ROLE_MEDIC]->character;
  const Ogre::Vector3 start(shiptest::medicStart().at[0], shiptest::medicStart().at[1],
                            shiptest::medicStart().at[2]);
  own->setPosition(start);
  hideAsOwn(*own);
  NPC *inFront = graphicsModule.spawnPassenger(start + Ogre::Vector3(100, 0, 0));
  const std::string name = inFront->getName();
  sw::test::renderOneFrame();

  // The station's camera 15 above the figure, looking at the passenger; the
  // pick goes through the cursor at the middle of the viewport as it is now.
  const Ogre::Vector3 eye = start + Ogre::Vector3(0, 0, 15);
  Ogre::Camera *camera = graphicsModule.mSceneMgr->getCamera("RefAppTestsView");
  Ogre::SceneNode *cameraNode = camera->getParentSceneNode();
  cameraNode->setPosition(eye);
  cameraNode->setFixedYawAxis(true, Ogre::Vector3::UNIT_Z);
  cameraNode->lookAt(inFront->getPosition() + Ogre::Vector3(0, 0, 3), Ogre::Node::TS_WORLD);
  const Ogre::Viewport *viewport = graphicsModule.mWindow->getViewport(0);
  const float width = static_cast<float>(viewport->getActualWidth());
  const float height = static_cast<float>(viewport->getActualHeight());
  const Ogre::Ray ray = cursorRay(*camera, width / 2, height / 2, width, height);

  // The own hidden figure does stand in the ray's way.
  PickRules everything;
  everything.passedOver = {"PlayerCam"};
  const PickOutcome raw = pickAlongRay(*graphicsModule.mRaySceneQuery, ray, everything);
  ASSERT_NE(raw.object, nullptr);
  EXPECT_EQ(raw.object->getName(), "clone_medic");

  graphicsModule.pickAtCursor(ray);
  EXPECT_EQ(inFront->getCurrentAnimationName(), "DeadSitting");
  EXPECT_EQ(reports.sent, (std::vector<std::string>{"treat " + name}));
  EXPECT_EQ(medkitSupply, 95);

  // Beyond the chief's reach nothing is picked and nothing is spent.
  reports.sent.clear();
  NPC *far = graphicsModule.spawnPassenger(start + Ogre::Vector3(260, -100, 0));
  sw::test::renderOneFrame();
  const Ogre::Ray farRay(eye, (far->getPosition() + Ogre::Vector3(0, 0, 3) - eye).normalisedCopy());
  graphicsModule.pickAtCursor(farRay);
  EXPECT_EQ(far->getCurrentAnimationName(), "DeadBack");
  EXPECT_TRUE(reports.sent.empty());
  EXPECT_EQ(medkitSupply, 95);

  // The middle click marks the deck point under the ray.
  graphicsModule.markDestination(ray);
  EXPECT_NEAR(graphicsModule.markedDestination.z, 0, 1e-6);
  EXPECT_GT(graphicsModule.markedDestination.x, start.x + 100);
}

TEST_F(Roster, FacilitatorMovesOnlyStandingPassengersAndTellsEveryStation) {
  makeOwn(ROLE_FACILITATOR);
  graphicsModule.markedDestination = Ogre::Vector3(-300, -50, 0);
  NPC *lying = passenger("passenger13");
  ASSERT_TRUE(OgreRefApp::isDeadState(lying->getCurrentAnimationName()));
  graphicsModule.interactWithPicked(lying->getCloneEntity());
  EXPECT_FALSE(lying->isMoving());
  EXPECT_TRUE(reports.sent.empty());

  NPC *standing = passenger("passenger9");
  standUp(*standing);
  graphicsModule.interactWithPicked(standing->getCloneEntity());
  EXPECT_TRUE(standing->isMoving());
  EXPECT_EQ(reports.sent, (std::vector<std::string>{"facilitator walk passenger9 -300 -50 0"}));
}

// The exercise's buttons and the resource choice as the layout delivers
// them: each handler subscribed to the button's clicked event.
class RosterButtons : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    // The GUI configuration names its resources relative to the station's
    // working directory.
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(SW_STAGE_BIN);
    renderer = &CEGUI::NullRenderer::create();
    renderer->setDisplaySize(CEGUI::Sizef(1024, 768));
    CEGUI::System::create(*renderer, nullptr, nullptr, nullptr, nullptr, "GraphicsModuleCegui.config",
                          here.string() + "/CEGUI-roster-test.log");
    CEGUI::Window *root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("Sternwake.layout");
    CEGUI::System::getSingleton().getDefaultGUIContext().setRootWindow(root);
    std::filesystem::current_path(here);
    graphicsModule.subscribeExerciseControls();
    static_cast<CEGUI::RadioButton *>(guiWindow("SendMedkit"))->setSelected(true);
    networkReports = &reports;
  }
  static void TearDownTestSuite() {
    networkReports = nullptr;
    CEGUI::System::destroy();
    CEGUI::NullRenderer::destroy(*renderer);
  }
  void SetUp() override {
    reports.sent.clear();
    graphicsModule.mWaitingForStart = false;
    graphicsModule.mTimedAction = TimedAction();
  }
  static void click(const char *button) {
    CEGUI::Window *window = guiWindow(button);
    CEGUI::WindowEventArgs args(window);
    window->fireEvent(CEGUI::PushButton::EventClicked, args);
  }
  static inline CEGUI::NullRenderer *renderer = nullptr;
};

// Once the exercise has ended the facilitator's injects would change the
// counters after the ratings: they do nothing. The rating menu comes in front
// of the role windows that stay shown, so they cannot catch its clicks.
TEST_F(RosterButtons, AfterTheEndInjectsChangeNothingAndTheRatingMenuIsInFront) {
  makeOwn(ROLE_FACILITATOR);
  // On a small screen the role windows lie over the rating boxes.
  CEGUI::Window *box = guiWindow("CaptainRateScore");
  CEGUI::Window *injects = guiWindow("FacilitatorCreate");
  const CEGUI::UVector2 injectsPlace = injects->getPosition();
  guiWindow("RatingMenu")->show();
  const CEGUI::Rectf boxArea = box->getUnclippedOuterRect().get();
  guiWindow("RatingMenu")->hide();
  injects->setPosition(
      CEGUI::UVector2(CEGUI::UDim(0, boxArea.left() - 10), CEGUI::UDim(0, boxArea.top() - 10)));
  injects->show();
  injects->activate();
  graphicsModule.openRatingMenu();
  const CEGUI::Window *root = CEGUI::System::getSingleton().getDefaultGUIContext().getRootWindow();
  EXPECT_EQ(root->getChildAtPosition(boxArea.getPosition() + CEGUI::Vector2f(5, 5)), box);
  const double passengers = passengerCount;
  const double fires = fireCount;
  const double supplies = medkitSupply + extinguisherSupply;
  click("AddPassenger");
  click("CreateFire");
  click("SendResource");
  EXPECT_EQ(passengerCount, passengers);
  EXPECT_EQ(fireCount, fires);
  EXPECT_EQ(medkitSupply + extinguisherSupply, supplies);
  EXPECT_TRUE(reports.sent.empty());
  graphicsModule.mRatingPhase = false;
  guiWindow("RatingMenu")->hide();
  injects->hide();
  injects->setPosition(injectsPlace);
}

// ---- The debrief record and stations that see the same actions in other orders ----

Ogre::FrameEvent frameOf(double seconds) {
  Ogre::FrameEvent event;
  event.timeSinceLastEvent = event.timeSinceLastFrame = static_cast<Ogre::Real>(seconds);
  return event;
}

std::string rosterName(const OgreRefApp::ApplicationObject *object) {
  for (const auto &[name, named] : graphicsModule.namedObjects)
    if (named == object)
      return name;
  return "";
}

// The record's timeline entries (one a line) with that action and a target
// containing the given text.
std::vector<std::string> entries(const std::string &action, const std::string &target) {
  std::vector<std::string> found;
  std::istringstream text(debriefText());
  for (std::string line; std::getline(text, line);)
    if (line.find("\"action\": \"" + action + "\"") != std::string::npos &&
        line.find(target) != std::string::npos)
      found.push_back(line);
  return found;
}

// The one entry of that action on that target; fails the test otherwise.
std::string entry(const std::string &action, const std::string &target) {
  const std::vector<std::string> found = entries(action, target);
  EXPECT_EQ(found.size(), 1u) << action << " " << target;
  return found.empty() ? std::string() : found.front();
}

// The line holds the healed count and the medical kits it was recorded with.
void expectAfter(const std::string &line, double healed, double medkits) {
  std::ostringstream h, m;
  h << "\"healed\": " << healed << ",";
  m << "\"medkits\": " << medkits << ",";
  EXPECT_NE(line.find(h.str()), std::string::npos) << line;
  EXPECT_NE(line.find(m.str()), std::string::npos) << line;
}

TEST_F(Roster, DebriefTimelineHoldsEveryActionWithTheTalliesAfterIt) {
  makeOwn(ROLE_FACILITATOR);
  graphicsModule.finishAllCrewWork(); // crews sent by earlier tests come back
  medkitSupply = 100;
  extinguisherSupply = 100;
  const double healed = healedCount;
  const double passengers = passengerCount;
  const std::string p = graphicsModule.injectPassenger(Ogre::Vector3(-320, -40, 25))->getName();
  const std::string patient = graphicsModule.injectPassenger(Ogre::Vector3(-340, -90, 25))->getName();
  const size_t before = graphicsModule.namedObjects.size();
  Fire *injected = graphicsModule.injectFire(Ogre::Vector3(-360, -60, 10), 0.5);
  ASSERT_EQ(graphicsModule.namedObjects.size(), before + 1);
  const std::string f = rosterName(injected);
  std::ostringstream passengersAfter;
  passengersAfter << "\"passengers\": " << passengers + 1 << ",";
  EXPECT_NE(entry("add passenger", p + " at ").find(passengersAfter.str()), std::string::npos);
  entry("add fire", f + " at ");

  graphicsModule.medicInteractPassenger(p);
  graphicsModule.medicInteractPassenger(p);
  const std::vector<std::string> treatments = entries("treat", "\"" + p + "\"");
  ASSERT_EQ(treatments.size(), 2u);
  expectAfter(treatments[0], healed, 95);
  expectAfter(treatments[1], healed + 1, 90);

  // Eight shrinking steps, the ninth puts it out.
  for (int step = 0; step < 9; ++step)
    graphicsModule.firemanInteractFire(f);
  EXPECT_EQ(entries("extinguish", "\"" + f + "\"").size(), 9u);
  const std::string out = entry("fire out", "\"" + f + "\"");
  EXPECT_NE(out.find("\"extinguishers\": 82}"), std::string::npos) << out;

  graphicsModule.npcFollow(ROLE_CAPTAIN, p);
  graphicsModule.npcStopFollow(ROLE_CAPTAIN, p);
  graphicsModule.npcMoveToDest(ROLE_CAPTAIN, p, Ogre::Vector3(-300, -60, 0));
  graphicsModule.npcMoveToDest(ROLE_FACILITATOR, p, Ogre::Vector3(-310, -70, 0));
  EXPECT_NE(entry("follow", "\"" + p + "\"").find("\"role\": 0,"), std::string::npos);
  entry("stop", "\"" + p + "\"");
  EXPECT_NE(entry("walk", p + " to ").find("\"role\": 0,"), std::string::npos);
  EXPECT_NE(entry("facilitator move", p + " to ").find("\"role\": 3,"), std::string::npos);

  NPC *crew = medicCrewPool.back();
  graphicsModule.crewWorksOn(ROLE_MEDIC, patient);
  expectAfter(entry("crew dispatch", crew->getName() + " to " + patient), healed + 1, 85);
  crew->crewtick(frameOf(3.5));
  EXPECT_EQ(passenger(patient)->getCurrentAnimationName(), "DeadSitting");
  // The objects list holds each passenger's injury beside its pose.
  std::istringstream objects(debriefText());
  int injuriesSeen = 0;
  for (std::string line; std::getline(objects, line);) {
    if (line.find("{\"name\": \"" + patient + "\"") != std::string::npos) {
      EXPECT_NE(line.find("\"state\": \"DeadSitting\", \"injury\": 1}"), std::string::npos) << line;
      ++injuriesSeen;
    }
    if (line.find("{\"name\": \"" + p + "\"") != std::string::npos) {
      EXPECT_NE(line.find("\"injury\": 0}"), std::string::npos) << line;
      ++injuriesSeen;
    }
  }
  EXPECT_EQ(injuriesSeen, 2);
  EXPECT_NE(entry("crew treated", crew->getName() + " on " + patient).find("\"role\": 1,"),
            std::string::npos);

  graphicsModule.addResource(0, 25);
  expectAfter(entries("supplies", "medkits 25").back(), healed + 1, 110);
  graphicsModule.addResource(2, 25); // an unknown kind from the wire
  EXPECT_EQ(medkitSupply + extinguisherSupply, 110 + 82);

  recordRatings(ROLE_MEDIC, 80, 70, 60);
  recordScores(15, 73.9, 100);
  const std::string text = debriefText();
  EXPECT_NE(text.find("{\"role\": 1, \"captain\": 80, \"medic\": 70, \"fireman\": 60}"), std::string::npos);
  EXPECT_NE(text.find("\"scores\": {\"captain\": 15, \"medic\": 73.9, \"fireman\": 100}"), std::string::npos);
  entry("ratings", "captain 80 medic 70 fireman 60");

  // The fireman's stream: one start, and one stop once it has been quiet.
  const size_t startsBefore = entries("talk start", "").size();
  noteVoicePacket(ROLE_FIREMAN);
  noteVoicePacket(ROLE_FIREMAN);
  closeQuietVoices();
  EXPECT_EQ(entries("talk start", "").size(), startsBefore + 1);
  EXPECT_TRUE(entries("talk stop", "").empty());
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  closeQuietVoices();
  closeQuietVoices();
  ASSERT_EQ(entries("talk stop", "").size(), 1u);
  EXPECT_NE(entries("talk stop", "").front().find("\"role\": 2,"), std::string::npos);
}

// Two stations receive the same dispatches and treatments in one order, but
// a crew member's work ends by each station's clock: on one before the
// medic's treatment, on the other after a second dispatch. Played on two
// passengers of one scene, both must end alike.
TEST_F(Roster, TreatmentsAndCrewHealsInEitherOrderAddUpTheSame) {
  makeOwn(ROLE_FACILITATOR);
  graphicsModule.finishAllCrewWork();
  struct Outcome {
    int injury;
    std::string pose;
    double healed, medkits;
    size_t pool;
  };
  const auto play = [](bool crewEndsFirst, const Ogre::Vector3 &at) {
    const std::string name = graphicsModule.injectPassenger(at)->getName();
    const double healed = healedCount;
    const double medkits = medkitSupply;
    NPC *first = medicCrewPool.back();
    graphicsModule.crewWorksOn(ROLE_MEDIC, name);
    if (crewEndsFirst)
      first->crewtick(frameOf(3.5));
    graphicsModule.medicInteractPassenger(name);
    graphicsModule.crewWorksOn(ROLE_MEDIC, name); // nothing left to treat
    for (NPC *crew : {first, medicCrewPool.empty() ? first : medicCrewPool.back()})
      if (crew->isWorking())
        crew->crewtick(frameOf(3.5));
    NPC *p = passenger(name);
    return Outcome{p->injuryLevel, p->getCurrentAnimationName(), healedCount - healed, medkits - medkitSupply,
                   medicCrewPool.size()};
  };
  const Outcome early = play(true, Ogre::Vector3(-330, -20, 25));
  const Outcome late = play(false, Ogre::Vector3(-350, -110, 25));
  for (const Outcome &o : {early, late}) {
    EXPECT_EQ(o.injury, 0);
    EXPECT_EQ(o.pose, "Idle");
    EXPECT_EQ(o.healed, 1);
    EXPECT_EQ(o.medkits, 10);
    EXPECT_EQ(o.pool, 2u);
  }

  // A fire crew steps by its own clock; the exercise's end finishes its work,
  // so stations whose crews stepped a different number of times close alike.
  const auto extinguish = [](int crewSteps, const Ogre::Vector3 &at) {
    Fire *burning = graphicsModule.injectFire(at, 0.5);
    const double extinguished = extinguishedCount;
    const double supply = extinguisherSupply;
    NPC *crew = fireCrewPool.back();
    const std::string fireName = rosterName(burning);
    graphicsModule.crewWorksOn(ROLE_FIREMAN, fireName);
    for (int step = 0; step < crewSteps; ++step)
      crew->crewtick(frameOf(0.6));
    graphicsModule.firemanInteractFire(fireName);
    graphicsModule.finishAllCrewWork();
    EXPECT_FALSE(crew->isWorking());
    EXPECT_FALSE(burning->isCollisionEnabled());
    return std::make_pair(extinguishedCount - extinguished, supply - extinguisherSupply);
  };
  // Nine steps in all put a fire out, whoever takes them.
  EXPECT_EQ(extinguish(0, Ogre::Vector3(-380, -30, 10)), std::make_pair(1.0, 18.0));
  EXPECT_EQ(extinguish(3, Ogre::Vector3(-390, -120, 10)), std::make_pair(1.0, 18.0));
  EXPECT_EQ(fireCrewPool.size(), 2u);
}

} // namespace
