#include "graphics/GraphicsModule_FrameListener.h"
#include "graphics/DebriefRecord.h"

#include <filesystem>
#include <iostream>
#include <string>

#include <CEGUI/GUIContext.h>
#include <CEGUI/InputEvent.h>
#include <CEGUI/MouseCursor.h>
#include <CEGUI/System.h>
#include <CEGUI/Window.h>
#include <CEGUI/widgets/ProgressBar.h>
#include <OIS/OISInputManager.h>
#include <OgreAnimationState.h>
#include <OgreRenderWindow.h>
#include <OgreStringConverter.h>
#include <OgreViewport.h>

#include "audio/voicerecorder.h"
#include "graphics/GraphicsModule.h"
#include "graphics/GuiWindows.h"
#include "graphics/NetworkReports.h"
#include "graphics/ScenePicking.h"
#include "graphics/ScreenshotNames.h"
#include "refapp/OgreRefAppCharacter.h"
#include "refapp/OgreRefAppCollideCamera.h"
#include "refapp/OgreRefAppNPC.h"
#include "refapp/OgreRefAppWorld.h"
#include "shell/state/ObjectKinds.h"
#include "shell/state/SimulationLog.h"
#include "shell/state/StationState.h"

namespace {

CEGUI::GUIContext &guiContext() {
  return CEGUI::System::getSingleton().getDefaultGUIContext();
}

CEGUI::MouseButton guiButton(OIS::MouseButtonID id) {
  switch (id) {
  case OIS::MB_Left:
    return CEGUI::LeftButton;
  case OIS::MB_Right:
    return CEGUI::RightButton;
  case OIS::MB_Middle:
    return CEGUI::MiddleButton;
  case OIS::MB_Button3:
    return CEGUI::X1Button;
  default:
    return CEGUI::LeftButton;
  }
}

} // namespace

GraphicsModule_FrameListener::GraphicsModule_FrameListener(GraphicsModule *graphicsModule)
    : mGraphicsModule(graphicsModule), imageCounter(highestScreenshotNumber(".")) {
  createInput();
  findWindows();
}

GraphicsModule_FrameListener::~GraphicsModule_FrameListener() {
  if (!inputManager)
    return;
  if (mouse)
    inputManager->destroyInputObject(mouse);
  if (keyboard)
    inputManager->destroyInputObject(keyboard);
  OIS::InputManager::destroyInputSystem(inputManager);
}

void GraphicsModule_FrameListener::createInput() {
  Ogre::RenderWindow *window = mGraphicsModule->mWindow;
  std::size_t windowHandle = 0;
  window->getCustomAttribute("WINDOW", &windowHandle);
  OIS::ParamList parameters;
  parameters.insert({"WINDOW", std::to_string(windowHandle)});
  // Several stations may share one desktop: the pointer and the keyboard are
  // not grabbed, and the GUI draws its own cursor over the window.
  parameters.insert({"x11_mouse_grab", "false"});
  parameters.insert({"x11_keyboard_grab", "false"});
  parameters.insert({"x11_mouse_hide", "true"});
  inputManager = OIS::InputManager::createInputSystem(parameters);
  keyboard = static_cast<OIS::Keyboard *>(inputManager->createInputObject(OIS::OISKeyboard, true));
  mouse = static_cast<OIS::Mouse *>(inputManager->createInputObject(OIS::OISMouse, true));
  const OIS::MouseState &state = mouse->getMouseState();
  state.width = static_cast<int>(window->getWidth());
  state.height = static_cast<int>(window->getHeight());
  mouse->setEventCallback(this);
  keyboard->setEventCallback(this);
  // The GUI's cursor starts where the device's absolute position does, so
  // relative moves keep the two together.
  guiContext().injectMousePosition(static_cast<float>(state.X.abs), static_cast<float>(state.Y.abs));
}

void GraphicsModule_FrameListener::findWindows() {
  mRoleText = guiWindow("OPRole");
  mAverageFpsText = guiWindow("OPAverageFPS");
  mCurrentFpsText = guiWindow("OPCurrentFPS");
  mBestFpsText = guiWindow("OPBestFPS");
  mWorstFpsText = guiWindow("OPWorstFPS");
  mTriangleCountText = guiWindow("OPTriCount");
  mDebugText = guiWindow("OPDebugMsg");
  mRootWindow = guiWindow("root");
}

bool GraphicsModule_FrameListener::frameStarted(const Ogre::FrameEvent &evt) {
  mGraphicsModule->mTimedAction.countFrame();
  mGraphicsModule->simulateFrame(evt, mGraphicsModule->isRunning(), moveScale * 100);
  mouse->capture();
  keyboard->capture();
  if (quitRequested)
    return false;
  moveCamera();
  updateSupplyBar();
  if (mGraphicsModule->mTimedAction.actionActive)
    mGraphicsModule->stepTimedAction(rayThroughCursor());
  statsCounter += 1;
  if (statsCounter >= statsInterval) {
    statsCounter = 0;
    updateStats();
  }
  updateVoiceLevel();
  expireDebugText(evt.timeSinceLastFrame);
  return true;
}

void GraphicsModule_FrameListener::expireDebugText(double frameSeconds) {
  if (!debugTextTimer.expired(frameSeconds))
    return;
  debugText.clear();
  mDebugText->setText("");
}

void GraphicsModule_FrameListener::updateSupplyBar() {
  if (!isClient)
    return;
  if (clientRole == ROLE_MEDIC)
    static_cast<CEGUI::ProgressBar *>(guiWindow("RecoveryResourceProgress"))
        ->setProgress(static_cast<float>(medkitSupply / 100));
  else if (clientRole == ROLE_FIREMAN)
    static_cast<CEGUI::ProgressBar *>(guiWindow("FireResourceProgress"))
        ->setProgress(static_cast<float>(extinguisherSupply / 100));
}

void GraphicsModule_FrameListener::updateVoiceLevel() {
  if (!voiceRecorder.mRecording)
    return;
  // Peak sample level of the last capture step, full scale 32767.
  static_cast<CEGUI::ProgressBar *>(guiWindow("VoiceProgress"))
      ->setProgress(static_cast<float>(voiceRecorder.mPeakLevel) / 32767.0f);
}

void GraphicsModule_FrameListener::moveCamera() {
  if (!mGraphicsModule->isRunning())
    return;
  if (!(anyMoveKey || viewChanged)) {
    if (isClient)
      movementReport.frameStill(mGraphicsModule->mCamera->getPosition());
    return;
  }
  translateVector.x += (keyLeft ? -1.0f : 0.0f) + (keyRight ? 1.0f : 0.0f);
  translateVector.z += (keyForward ? -1.0f : 0.0f) + (keyBack ? 1.0f : 0.0f);
  // Keys and drags give a direction only: the camera moves moveScale * 100
  // units a frame whatever they asked for.
  Ogre::Vector3 direction = translateVector;
  direction.normalise();
  translateVector = direction * moveScale * 100;

  OgreRefApp::CollideCamera *camera = mGraphicsModule->mCamera;
  const bool freeCamera = isClient || viewedRole == ROLE_FACILITATOR;
  if (mGraphicsModule->mModelMode == 0 && freeCamera) {
    const Ogre::Vector3 before = camera->getPosition();
    if (isClient)
      movementReport.frameMoved(before, rotX, rotY);
    camera->yaw(Ogre::Degree(rotX));
    camera->pitch(Ogre::Degree(rotY));
    camera->translate(translateVector);
    if (isClient) {
      // A chief walks: it never rises above where it stood.
      const Ogre::Vector3 after = camera->getPosition();
      camera->setPosition(after.x, after.y, std::max(before.z, Ogre::Real(0)));
    }
  }
  viewChanged = false;
  rotX = rotY = 0;
  translateVector = Ogre::Vector3::ZERO;
}

void GraphicsModule_FrameListener::updateStats() {
  const Ogre::RenderTarget::FrameStats &stats = mGraphicsModule->mWindow->getStatistics();
  using Ogre::StringConverter;
  mAverageFpsText->setText(("Average FPS: " + StringConverter::toString(stats.avgFPS)).c_str());
  mCurrentFpsText->setText(("Current FPS: " + StringConverter::toString(stats.lastFPS)).c_str());
  mBestFpsText->setText(("Best FPS: " + StringConverter::toString(stats.bestFPS) + " " +
                         StringConverter::toString(stats.bestFrameTime) + " ms")
                            .c_str());
  mWorstFpsText->setText(("Worst FPS: " + StringConverter::toString(stats.worstFPS) + " " +
                          StringConverter::toString(stats.worstFrameTime) + " ms")
                             .c_str());
  mRoleText->setText(("Role: " + roleName).c_str());
  mTriangleCountText->setText(("Triangle Count: " + StringConverter::toString(stats.triangleCount)).c_str());
  mDebugText->setText(debugText.c_str());
  moveScale = std::min(1.0f / (stats.avgFPS + 1.0f), 0.1f);
}

void GraphicsModule_FrameListener::resetTurnCounters() {
  rotX = 0;
  rotY = 0;
  mGraphicsModule->mTimedAction.actionTimer = 0;
}

Ogre::Ray GraphicsModule_FrameListener::rayThroughCursor() const {
  const CEGUI::Vector2f cursor = guiContext().getMouseCursor().getPosition();
  const Ogre::Viewport *viewport = mGraphicsModule->mWindow->getViewport(0);
  return cursorRay(*mGraphicsModule->mCamera->getCamera(), cursor.d_x, cursor.d_y,
                   static_cast<float>(viewport->getActualWidth()),
                   static_cast<float>(viewport->getActualHeight()));
}

void GraphicsModule_FrameListener::startActionAnimation() {
  mGraphicsModule->mTimedAction.restartCount();
  const char *state = nullptr;
  if (clientRole == ROLE_MEDIC)
    state = OgreRefApp::STATE_MEDKIT_CROUCH;
  else if (clientRole == ROLE_FIREMAN)
    state = OgreRefApp::STATE_FIRE_SHOOT;
  if (!state || !isClient || !clientTable[clientRole] || !clientTable[clientRole]->character)
    return;
  if (networkReports)
    networkReports->reportCharacterState(state);
  clientTable[clientRole]->character->setState(state);
}

void GraphicsModule_FrameListener::startVoice() {
  voiceRecorder.startRecording();
  noteVoicePacket(clientRole);
  guiWindow("VoiceRecorder")->show();
}

void GraphicsModule_FrameListener::stopVoice() {
  voiceRecorder.stopRecording();
  noteVoiceStop(clientRole);
  guiWindow("VoiceRecorder")->hide();
}

void GraphicsModule_FrameListener::saveScreenshot() {
  imageCounter += 1;
  const std::string fileName = screenshotName(imageCounter);
  mGraphicsModule->mWindow->writeContentsToFile(fileName);
  debugText = "Saved: " + fileName;
  // Shown at once, not only at the next statistics refresh, and for a while.
  mDebugText->setText(debugText.c_str());
  debugTextTimer.start(SAVED_MESSAGE_SECONDS);
  std::error_code error;
  const std::filesystem::path saved = std::filesystem::absolute(fileName, error);
  std::cout << "Saved: " << (error ? fileName : saved.string()) << std::endl;
}

bool GraphicsModule_FrameListener::keyPressed(const OIS::KeyEvent &e) {
  switch (e.key) {
  case OIS::KC_ESCAPE:
    // The GUI never sees Escape: it ends the rendering loop at the next frame.
    quitRequested = true;
    return false;
  case OIS::KC_SYSRQ:
    saveScreenshot();
    break;
  case OIS::KC_HOME:
    // The facilitator's way back when its free camera got lost.
    if (!isClient && viewedRole == ROLE_FACILITATOR && mGraphicsModule->mStartRequested)
      mGraphicsModule->showDeckOverview();
    break;
  case OIS::KC_R:
    if (mGraphicsModule->isRunning() && isClient && !voiceRecorder.mRecording)
      startVoice();
    break;
  case OIS::KC_E:
    if (mGraphicsModule->isRunning())
      startActionAnimation();
    break;
  case OIS::KC_O:
    if (mGraphicsModule->isRunning())
      writeLog("CAPTURED POS: " + Ogre::StringConverter::toString(mGraphicsModule->mCamera->getPosition()));
    break;
  default:
    break;
  }
  guiContext().injectKeyDown(static_cast<CEGUI::Key::Scan>(e.key));
  guiContext().injectChar(e.text);
  return true;
}

bool GraphicsModule_FrameListener::keyReleased(const OIS::KeyEvent &e) {
  if (e.key == OIS::KC_R && isClient && voiceRecorder.mRecording)
    stopVoice();
  else if (e.key == OIS::KC_E && mGraphicsModule->isRunning())
    mGraphicsModule->returnToIdle();
  guiContext().injectKeyUp(static_cast<CEGUI::Key::Scan>(e.key));
  return true;
}

bool GraphicsModule_FrameListener::mouseMoved(const OIS::MouseEvent &e) {
  CEGUI::GUIContext &context = guiContext();
  context.injectMouseMove(static_cast<float>(e.state.X.rel), static_cast<float>(e.state.Y.rel));
  if (e.state.Z.rel != 0)
    context.injectMouseWheelChange(static_cast<float>(e.state.Z.rel) / 120.0f);
  return true;
}

bool GraphicsModule_FrameListener::mousePressed(const OIS::MouseEvent &, OIS::MouseButtonID id) {
  guiContext().injectMouseButtonDown(guiButton(id));
  if (!mGraphicsModule->isRunning())
    return true;
  if (id == OIS::MB_Right)
    mGraphicsModule->rightClickPick(rayThroughCursor());
  else if (id == OIS::MB_Middle)
    mGraphicsModule->markDestination(rayThroughCursor());
  return true;
}

bool GraphicsModule_FrameListener::mouseReleased(const OIS::MouseEvent &, OIS::MouseButtonID id) {
  guiContext().injectMouseButtonUp(guiButton(id));
  return true;
}

void GraphicsModule_FrameListener::updateKeyState(unsigned scanCode, bool pressed) {
  switch (scanCode) {
  case OIS::KC_W:
    keyForward = pressed;
    break;
  case OIS::KC_S:
    keyBack = pressed;
    break;
  case OIS::KC_A:
    keyLeft = pressed;
    break;
  case OIS::KC_D:
    keyRight = pressed;
    break;
  case OIS::KC_E:
    if (pressed)
      mGraphicsModule->mTimedAction.start(clientRole, medkitSupply, extinguisherSupply);
    else
      mGraphicsModule->mTimedAction.stop();
    break;
  default:
    break;
  }
  anyMoveKey = keyForward || keyBack || keyLeft || keyRight;
}

bool GraphicsModule_FrameListener::handleRootKeyDown(const CEGUI::EventArgs &args) {
  if (mGraphicsModule->isRunning())
    updateKeyState(static_cast<const CEGUI::KeyEventArgs &>(args).scancode, true);
  return true;
}

bool GraphicsModule_FrameListener::handleRootKeyUp(const CEGUI::EventArgs &args) {
  if (mGraphicsModule->isRunning())
    updateKeyState(static_cast<const CEGUI::KeyEventArgs &>(args).scancode, false);
  return true;
}

bool GraphicsModule_FrameListener::handleRootMouseDown(const CEGUI::EventArgs &args) {
  if (!mGraphicsModule->isRunning())
    return true;
  const auto &mouseArgs = static_cast<const CEGUI::MouseEventArgs &>(args);
  if (mouseArgs.button == CEGUI::LeftButton)
    leftDrag = true;
  else if (mouseArgs.button == CEGUI::RightButton)
    rightDrag = true;
  if (leftDrag || rightDrag) {
    CEGUI::MouseCursor &cursor = guiContext().getMouseCursor();
    cursor.hide();
    if (!cursorSaved) {
      savedCursor = {cursor.getPosition().d_x, cursor.getPosition().d_y};
      cursorSaved = true;
    }
    mRootWindow->captureInput();
    confinePointer();
  }
  return true;
}

void GraphicsModule_FrameListener::confinePointer() {
  _XDisplay *display = nullptr;
  unsigned long window = 0;
  mGraphicsModule->mWindow->getCustomAttribute("XDISPLAY", &display);
  mGraphicsModule->mWindow->getCustomAttribute("WINDOW", &window);
  mPointerConfinement.confine(display, window);
}

bool GraphicsModule_FrameListener::handleRootMouseUp(const CEGUI::EventArgs &args) {
  if (!mGraphicsModule->isRunning()) {
    // The exercise may have ended during a drag: the pointer goes free.
    mPointerConfinement.release();
    return true;
  }
  const auto &mouseArgs = static_cast<const CEGUI::MouseEventArgs &>(args);
  if (mouseArgs.button == CEGUI::LeftButton)
    leftDrag = false;
  else if (mouseArgs.button == CEGUI::RightButton)
    rightDrag = false;
  if (!leftDrag && !rightDrag) {
    CEGUI::MouseCursor &cursor = guiContext().getMouseCursor();
    cursor.show();
    if (cursorSaved) {
      cursor.setPosition(CEGUI::Vector2f(savedCursor[0], savedCursor[1]));
      cursorSaved = false;
    }
    mRootWindow->releaseInput();
    mPointerConfinement.release();
  }
  return true;
}

bool GraphicsModule_FrameListener::handleRootMouseMove(const CEGUI::EventArgs &args) {
  if (!mGraphicsModule->isRunning() || !(leftDrag || rightDrag))
    return true;
  const CEGUI::Vector2f delta = static_cast<const CEGUI::MouseEventArgs &>(args).moveDelta;
  if (leftDrag && !rightDrag) {
    rotX -= delta.d_x * LOOK_DEGREES_PER_PIXEL;
    rotY -= delta.d_y * LOOK_DEGREES_PER_PIXEL;
  } else if (rightDrag && !leftDrag) {
    translateVector.x += delta.d_x * moveScale * 100;
    translateVector.y -= delta.d_y * moveScale * 100;
  } else {
    translateVector.z += (delta.d_x + delta.d_y) * moveScale * 100;
  }
  guiContext().getMouseCursor().setPosition(CEGUI::Vector2f(savedCursor[0], savedCursor[1]));
  viewChanged = true;
  return true;
}

bool GraphicsModule_FrameListener::handleRootMouseWheel(const CEGUI::EventArgs &args) {
  if (!mGraphicsModule->isRunning())
    return true;
  const float wheel = static_cast<const CEGUI::MouseEventArgs &>(args).wheelChange;
  if (wheel != 0) {
    translateVector.z -= wheel * 5;
    viewChanged = true;
  }
  return true;
}
