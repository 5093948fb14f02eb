#pragma once
// The station's presentation object: engine root, window, BSP scene manager,
// simulation world, player camera, GUI and frame listener, and the scene's
// passengers, crew members and fires by name. One process-wide instance,
// graphicsModule, constructed during static initialisation with every member
// empty; set-up fills it.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <OgreVector.h>

#include "graphics/ScoreSheet.h"
#include "graphics/TimedAction.h"
#include "shell/state/StationState.h"

namespace Ogre {
struct FrameEvent;
class MovableObject;
class Ray;
class Root;
class SceneManager;
class RaySceneQuery;
class RenderWindow;
} // namespace Ogre
namespace CEGUI {
class EventArgs;
class OgreRenderer;
class System;
class Window;
} // namespace CEGUI
namespace OgreRefApp {
class ApplicationObject;
class Character;
class CollideCamera;
class Fire;
class NPC;
class World;
} // namespace OgreRefApp
class GraphicsModule_FrameListener;
class StationRoot;
namespace OgreRefApp {
class Character;
}

class GraphicsModule {
public:
  GraphicsModule() = default;
  GraphicsModule(const GraphicsModule &) = delete;
  GraphicsModule &operator=(const GraphicsModule &) = delete;
  ~GraphicsModule();

  // Deletes the GUI system, the GUI renderer, the frame listener, the ray
  // query and the root, in that order, then empties the lists; a second call
  // does nothing. The engine's plug-ins are
  // libraries loaded after start-up, whose own statics are gone by the time
  // global objects are destroyed: the program releases the engine before
  // returning from main, the destructor only what is left.
  void release();

  Ogre::Root *mRoot = nullptr;                   // owned; deleted last but the lists
  OgreRefApp::CollideCamera *mCamera = nullptr;  // "PlayerCam", owned by the world
  Ogre::SceneManager *mSceneMgr = nullptr;       // "BspSceneManager" instance
  Ogre::RaySceneQuery *mRaySceneQuery = nullptr; // picking ray, reused
  OgreRefApp::World *mWorld = nullptr;           // BSP-level world
  GraphicsModule_FrameListener *mFrameListener = nullptr;
  Ogre::RenderWindow *mWindow = nullptr;       // created by the root
  CEGUI::OgreRenderer *mGUIRenderer = nullptr; // owned
  CEGUI::System *mGUISystem = nullptr;         // owned

  // Passengers, crew members and fires by name; the World owns the objects.
  // The map itself is station state, so the world can look names up too.
  NamedObjectMap &namedObjects = sceneObjects;

  std::int32_t mModelMode = 0;    // 1 while the material panel's model side is chosen
  std::int32_t mResourceKind = 0; // resource the facilitator sends: 0 medical kits, 1 extinguishers

  // The ground point last marked with the middle mouse button (level units);
  // the origin until one is marked. Passengers are sent there, and the
  // facilitator adds passengers and fires there.
  Ogre::Vector3 markedDestination = Ogre::Vector3::ZERO;
  // The chief's own treatment or extinguishing, timed by the frame listener.
  TimedAction mTimedAction;

  bool mStartRequested = false;  // "StartDemoBtn" pressed
  bool mWaitingForStart = false; // exercise not started yet
  bool mScorePhase = false;      // score screen shown
  bool mRatingPhase = false;     // rating menus open

  // Simulation steps, movement, picking and commands happen only then.
  bool isRunning() const { return !mWaitingForStart && !mRatingPhase && !mScorePhase; }

  // ---- Set-up (GraphicsModuleSetup.cpp) ----

  // Root, configuration dialog, window, scene manager, world, camera,
  // viewport, resources, GUI, scene, the 18 initial objects, frame listener
  // and the start dialog's subscriptions. False when the configuration dialog
  // is cancelled or the GUI core cannot be created.
  bool setup();
  // After the start dialog: a chief's camera collides and walks, the
  // facilitator's flies through walls.
  void applyRoleCameraCollision();
  // The facilitator's free camera over the whole deck, where it starts and
  // where the Home key brings it back.
  void showDeckOverview();
  // mRoot as the station's root, which drives rendering one pass at a time.
  StationRoot *stationRoot() const;

  // The 18 fires, passengers and crew members every station starts with, in
  // the same order everywhere so that their names agree.
  void createInitialObjects();
  // Each creates one object at position (level units), names it with its
  // kind's prefix, enters it in namedObjects and stands it in the Z-up level.
  OgreRefApp::NPC *spawnPassenger(const Ogre::Vector3 &position);
  OgreRefApp::NPC *spawnMedicCrew(const Ogre::Vector3 &position);
  OgreRefApp::NPC *spawnFiremanCrew(const Ogre::Vector3 &position);
  // size: the particle effect's scale; applyArea: re-shape the collision box
  // from the effect's bounds.
  OgreRefApp::Fire *spawnFire(bool applyArea, double size, const Ogre::Vector3 &position);

  // ---- One frame of the simulation (GraphicsModuleSimulation.cpp) ----

  // What the frame listener runs of the simulation each frame: while the
  // exercise runs the world step; always every figure's animation; while it
  // runs the passengers' and crews' ticks, passengers walking walkStep units
  // a frame. Benchmarks run the same frame.
  void simulateFrame(const Ogre::FrameEvent &evt, bool running, Ogre::Real walkStep);

  // ---- Start dialog and lobby (GraphicsModuleStart.cpp) ----

  // Subscribes the start dialog's, the lobby's and the address box's
  // handlers, selects the initial radio buttons and hides every window but
  // the start dialog.
  void prepareStartWindows();
  // Opens the lobby window "DemoConnection" once the start dialog is done.
  void showLobby();
  // Rewrites the lobby's three chief rows from clientTable.
  void refreshLobbyRows();
  // Shows the windows of the station's role and hides the lobby.
  void showRoleWindows();

  // ---- Chiefs' characters and the watched view (GraphicsModuleRoster.cpp) ----

  // The role's slot already holds its record. Creates (or takes back the
  // parked) character at the placement (level units, degrees); the
  // station's own chief stays invisible and puts the camera above it.
  void addCharacter(std::uint32_t role, double x, double y, double z, double yaw, double pitch);
  // Places the role's character and turns it by yawDelta (degrees); the
  // record's placement is kept by the network. A watched chief carries the
  // facilitator's camera along.
  void moveCharacter(std::uint32_t role, double x, double y, double z, double yawDelta, double pitchDelta);
  // Hides and parks the role's character for a later join of the same role
  // (its scene nodes keep their names, so a new one could not be made), lets
  // go of every passenger following it and returns a camera watching it to
  // free flight. The caller empties the slot.
  void removeCharacter(std::uint32_t role);
  // The role's chief figure takes the state word (recorded); a word its
  // figure has no animation for is logged and dropped, since the engine would
  // throw on it. False when nothing changed.
  bool setCharacterState(std::uint32_t role, const std::string &state);
  // Puts the camera in the eyes of the watched chief (viewedRole 0..2).
  void followViewedChief();
  // The link's state in words under the lobby's rows.
  void showLinkStatus(const std::string &words);
  std::string mLinkStatus; // the words last shown

  // ---- End of the exercise: ratings and scores (GraphicsModuleScores.cpp) ----

  // Subscribes the exit buttons and "Continue"; part of the GUI subscriptions.
  void subscribeScoreWindows();
  // Exit button: in the score phase ends the program; on the facilitator's
  // station otherwise opens the rating phase everywhere; a chief cannot.
  void exitAction();
  // Shows "RatingMenu"; a chief that has submitted its ratings ignores it.
  void openRatingMenu();
  // Facilitator: ticks the picture of every chief whose ratings are in or
  // whose slot is empty; finishes a "Continue" that waited for them.
  void markRatingReceived();
  // "Continue": a chief sends its ratings and waits for the scores; the
  // facilitator computes and broadcasts them once no chief owes its ratings.
  void finishRating();
  // Fills the score screen from the final scores and the own counters.
  void renderScores();

  // What the network's handlers call:
  // c2ssendScore on the facilitator's station; dropped for a role outside
  // 0..2 or an empty slot. Stores the ratings in the chief's record.
  void receiveChiefRatings(std::uint32_t role, double captain, double medic, double fireman);
  // s2csendLastScores on a chief's station.
  void receiveFinalScores(double captain, double medic, double fireman);
  // After a chief's slot emptied (it left): in the rating phase its picture
  // is ticked and a waiting "Continue" goes ahead.
  void chiefLeft(std::uint32_t role);
  // ---- Scene roster: the chiefs' actions on passengers and fires
  //      (GraphicsModuleRoster.cpp). Each runs on the acting station and on
  //      every station that receives the report; names from the wire are
  //      checked for their kind before the object is used. ----

  // The own figure back to "Idle", reported; only on a chief's station with
  // its own slot occupied.
  void returnToIdle();
  // One treatment by the medic chief: a lying passenger sits up, a seated one
  // stands (healedCount + 1); 5 medical kits either way.
  void medicInteractPassenger(std::string name);
  // One extinguishing step of the fireman chief: shrinks the fire, or puts it
  // out once and for all (extinguishedCount + 1); 2 of the extinguisher
  // either way. A fire already out is left alone and costs nothing. True when
  // this step put the fire out.
  bool firemanInteractFire(std::string name);
  // The captain's command buttons on the selected passenger.
  void requestStopFollow();
  void requestFollow();
  void requestMoveToDest();
  // The captain's commands as every station applies them.
  void npcStopFollow(std::uint32_t role, std::string name);
  void npcFollow(std::uint32_t role, std::string name);
  // role: the captain's walk (0) or the facilitator's move (3), as recorded.
  void npcMoveToDest(std::uint32_t role, std::string name, Ogre::Vector3 dest);
  // A crew member of the role's pool sent to the target, on every station.
  void crewWorksOn(std::uint32_t role, std::string targetName);
  // A delivery of supplies: kind 0 medical kits, 1 extinguishers; any other
  // kind is ignored.
  void addResource(std::int32_t kind, std::int32_t amount);
  // The facilitator's injects (its buttons and their relayed copies): spawned
  // and recorded in the debrief.
  OgreRefApp::NPC *injectPassenger(const Ogre::Vector3 &at);
  OgreRefApp::Fire *injectFire(const Ogre::Vector3 &at, double size);
  // Ends every crew member's work under way at once (at the exercise's end).
  void finishAllCrewWork();
  // Before a chief's slot is emptied: passengers following that chief stop.
  void releaseFollowersOf(std::uint32_t role);
  // The station's own action on what a pick met.
  void interactWithPicked(Ogre::MovableObject *object);
  // The own action bar back to 0.
  void resetActionProgress();

  // ---- Picking (GraphicsModuleRoster.cpp); rays from the frame listener ----

  // Right click: selects what the ray meets; the captain's and the
  // facilitator's picks act at once.
  void rightClickPick(const Ogre::Ray &ray);
  // The action key's pick when the action's time is full.
  void pickAtCursor(const Ogre::Ray &ray);
  // Middle click: marks where the ray meets the deck.
  void markDestination(const Ogre::Ray &ray);
  // The frame's timed action step of the own chief (frame listener, while
  // the action runs and the exercise runs). ray: through the cursor now.
  void stepTimedAction(const Ogre::Ray &ray);

  // Subscribes the exercise's buttons and the resource choice.
  void subscribeExerciseControls();

private:
  void addResourceLocations();
  bool handleViewChoice(const CEGUI::EventArgs &args);
  void subscribeViewButtons();
  // Characters of chiefs who left, by role, hidden; owned by the World.
  OgreRefApp::Character *mParkedCharacters[3] = {nullptr, nullptr, nullptr};
  void createViewport();
  bool setupGui();
  void loadPictures();
  void createScene();
  OgreRefApp::NPC *spawnNpc(const char *prefix, const char *mesh, const Ogre::Vector3 &position);
  void stepWorld(double frameSeconds);
  void animateFigures(double frameSeconds);
  void tickNpcs(const Ogre::FrameEvent &evt, Ogre::Real walkStep);

  bool handleRoleChoice(const CEGUI::EventArgs &args);
  bool handleStartDemo(const CEGUI::EventArgs &args);
  bool handleStartConnection(const CEGUI::EventArgs &args);
  bool handleAddressChanged(const CEGUI::EventArgs &args);
  bool handleExit(const CEGUI::EventArgs &args);
  bool handleContinue(const CEGUI::EventArgs &args);
  void finishChiefRating();
  void finishFacilitatorRating();
  void showScoreScreen();

  RatingCollection mRatingCollection; // facilitator's "Continue"

  bool handleSendResource(const CEGUI::EventArgs &args);
  bool handleAddPassenger(const CEGUI::EventArgs &args);
  bool handleCreateFire(const CEGUI::EventArgs &args);
  bool handleCrewWork(const CEGUI::EventArgs &args);
  bool handleFollow(const CEGUI::EventArgs &args);
  bool handleReleaseFollow(const CEGUI::EventArgs &args);
  bool handleDirect(const CEGUI::EventArgs &args);
  bool handleResourceChoice(const CEGUI::EventArgs &args);

  void putFireOut(OgreRefApp::Fire &fire);
  void applyOwnFireOut();
  void markEngaged(OgreRefApp::NPC &passenger);
  // The own chief's figure, or null while the own slot is empty.
  OgreRefApp::Character *ownCharacter() const;
};

// Final scores, 0..100: computed on the facilitator's station, received on
// the chiefs' stations.
extern double captainScore;
extern double medicScore;
extern double firemanScore;

extern GraphicsModule graphicsModule;
