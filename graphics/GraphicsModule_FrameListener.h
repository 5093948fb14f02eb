#pragma once
// Runs once per rendered frame: steps the world, animates and ticks the
// non-player characters, reads keyboard and mouse, moves the camera and keeps
// the statistics windows current. Receives the raw device events, handles the
// simulation's own keys and passes every event on to the GUI.

#include <array>
#include <string>

#include <OIS/OISKeyboard.h>
#include <OIS/OISMouse.h>
#include <OgreFrameListener.h>
#include <OgreRay.h>
#include <OgreVector.h>

#include "graphics/MessageTimer.h"
#include "graphics/MovementReport.h"
#include "graphics/PointerConfinement.h"

namespace CEGUI {
class EventArgs;
class Window;
} // namespace CEGUI
namespace OIS {
class InputManager;
}
class GraphicsModule;

// The look turn of a left-button drag, degrees per pixel of mouse movement: a
// property of the mouse, not of the frame rate (the turn the station had at
// 60 frames a second).
constexpr float LOOK_DEGREES_PER_PIXEL = 10.0f / 61.0f;
// Seconds the "Saved: ..." message of a screenshot stays on screen.
constexpr double SAVED_MESSAGE_SECONDS = 4.0;

class GraphicsModule_FrameListener : public Ogre::FrameListener,
                                     public OIS::KeyListener,
                                     public OIS::MouseListener {
public:
  // Opens buffered keyboard and mouse on the module's render window and finds
  // the statistics windows and "root".
  explicit GraphicsModule_FrameListener(GraphicsModule *graphicsModule);
  ~GraphicsModule_FrameListener() override;
  GraphicsModule_FrameListener(const GraphicsModule_FrameListener &) = delete;
  GraphicsModule_FrameListener &operator=(const GraphicsModule_FrameListener &) = delete;

  // False once Escape was pressed, which ends the rendering loop.
  bool frameStarted(const Ogre::FrameEvent &evt) override;

  bool keyPressed(const OIS::KeyEvent &e) override;
  bool keyReleased(const OIS::KeyEvent &e) override;
  bool mouseMoved(const OIS::MouseEvent &e) override;
  bool mousePressed(const OIS::MouseEvent &e, OIS::MouseButtonID id) override;
  bool mouseReleased(const OIS::MouseEvent &e, OIS::MouseButtonID id) override;

  // Refreshes the statistics windows from the render window's frame
  // statistics and derives moveScale from the average frame rate.
  void updateStats();

  // The requested turns and the action's frame count start again from 0
  // when the camera's role changes and when the exercise starts.
  void resetTurnCounters();

  // Movement and look requests from the GUI's root window (events no GUI
  // control took): W, A, S, D and a left-button drag.
  bool handleRootKeyDown(const CEGUI::EventArgs &args);
  bool handleRootKeyUp(const CEGUI::EventArgs &args);
  bool handleRootMouseDown(const CEGUI::EventArgs &args);
  bool handleRootMouseUp(const CEGUI::EventArgs &args);
  bool handleRootMouseMove(const CEGUI::EventArgs &args);
  bool handleRootMouseWheel(const CEGUI::EventArgs &args);

  GraphicsModule *mGraphicsModule;
  Ogre::Vector3 translateVector = Ogre::Vector3::ZERO; // this frame's requested move, camera axes
  int imageCounter = 0;               // number of the last screenshot; starts at the highest in the directory
  float moveScale = 0.1f;             // movement per frame is moveScale * 100 units
  std::array<float, 2> savedCursor{}; // cursor where a drag began, pixels
  bool cursorSaved = false;
  float statsCounter = 0;   // frames since the last statistics refresh
  float statsInterval = 50; // frames between statistics refreshes
  OIS::InputManager *inputManager = nullptr;
  OIS::Mouse *mouse = nullptr;
  OIS::Keyboard *keyboard = nullptr;
  float rotX = 0; // this frame's requested yaw, degrees
  float rotY = 0; // this frame's requested pitch, degrees
  bool quitRequested = false;
  bool leftDrag = false;
  bool rightDrag = false;
  bool anyMoveKey = false;
  bool viewChanged = false;
  bool keyForward = false;
  bool keyBack = false;
  bool keyLeft = false;
  bool keyRight = false;
  std::string debugText;
  MessageTimer debugTextTimer;   // debugText is cleared when it runs out
  float actionTimer = 0;         // frames since the action key went down
  MovementReport movementReport; // the chief's own character and its reports

  // The ray from the camera through the GUI cursor, over the viewport's
  // current size.
  Ogre::Ray rayThroughCursor() const;

private:
  void createInput();
  // The action key's device press: the action's count restarts and the
  // medic's or the fireman's figure plays its action, reported.
  void startActionAnimation();
  // R: push-to-talk on a chief's station.
  void startVoice();
  void stopVoice();
  void findWindows();
  void moveCamera();
  // The medic's and the fireman's supply bars, every frame.
  void updateSupplyBar();
  // The push-to-talk window's input level while recording.
  void updateVoiceLevel();
  void saveScreenshot();
  // Clears the screenshot message once its time is up.
  void expireDebugText(double frameSeconds);
  void updateKeyState(unsigned scanCode, bool pressed);
  // The system pointer stays inside the station's window while a drag lasts.
  void confinePointer();

  PointerConfinement mPointerConfinement;

  CEGUI::Window *mRoleText = nullptr;
  CEGUI::Window *mAverageFpsText = nullptr;
  CEGUI::Window *mCurrentFpsText = nullptr;
  CEGUI::Window *mBestFpsText = nullptr;
  CEGUI::Window *mWorstFpsText = nullptr;
  CEGUI::Window *mTriangleCountText = nullptr;
  CEGUI::Window *mDebugText = nullptr;
  CEGUI::Window *mRootWindow = nullptr;
};
