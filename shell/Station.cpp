#include "shell/Station.h"

#include <chrono>
#include <iostream>
#include <thread>

#include <OgreException.h>

#include "audio/sfx.h"
#include "audio/voicerecorder.h"
#include "graphics/DebriefRecord.h"
#include "graphics/GraphicsModule.h"
#include "graphics/StationRoot.h"
#include "shell/NetworkStart.h"
#include "shell/StationLoop.h"
#include "shell/state/SimulationLog.h"
#include "shell/TerminalLog.h"

namespace {

// Returned after a caught engine exception, so that a launcher tells it from a
// normal end (0) and from a cancelled or failed set-up (1).
constexpr int ENGINE_EXCEPTION_RESULT = 2;

// Each pass leaves the processor to the other stations on the machine.
constexpr std::chrono::milliseconds PASS_PAUSE(2);

// Whether the start dialog, the lobby and the exercise are still to come;
// set on the first entry only.
bool firstEntry = true;
LoopClock loopClock;
// The transport's log lines, and with them the sound system's reports, on
// the terminal.
TerminalLog terminalLog;

// False when the user ended the program at the start dialog (Escape, or the
// window closed) instead of pressing Start.
bool waitForStartDialog(StationRoot &root) {
  graphicsModule.mWaitingForStart = true;
  while (!graphicsModule.mStartRequested)
    if (root.myRenderingLoop())
      return false;
  graphicsModule.showLobby();
  return true;
}

void runLobby(StationRoot &root) {
  while (graphicsModule.mWaitingForStart || graphicsModule.mRatingPhase || graphicsModule.mScorePhase) {
    if (root.myRenderingLoop())
      break;
    serviceNetwork();
    std::this_thread::sleep_for(PASS_PAUSE);
    graphicsModule.refreshLobbyRows();
    writeDebriefIfDue();
  }
}

void runMainLoop(StationRoot &root) {
  while (!root.myRenderingLoop()) {
    serviceNetwork();
    std::this_thread::sleep_for(PASS_PAUSE);
    const std::uint32_t elapsed = loopClock.consume(getHighPrecisionTimerValue());
    if (elapsed != 0)
      runVoiceStep(voiceRecorder, elapsed);
    processSound();
    writeDebriefIfDue();
  }
}

void runExercise() {
  StationRoot &root = *graphicsModule.stationRoot();
  root.myStartRendering();
  // Leaving at the start dialog runs nothing of the start path: no role was
  // confirmed and no address given.
  if (!waitForStartDialog(root))
    return;
  graphicsModule.applyRoleCameraCollision();
  startNetwork();
  writeDebrief();
  runLobby(root);
  graphicsModule.showRoleWindows();
  runMainLoop(root);
}

void shutDown() {
  // The network goes first: peers learn at once that this station left, and
  // no handler runs on a scene that is being released.
  stopNetwork();
  if (graphicsModule.mStartRequested)
    writeDebrief();
  stopSound();
  writeLog("Closing down log system and sfx system.");
  writeLog("The simulation closed.");
  simulationLog.close();
}

} // namespace

void runVoiceStep(VoiceRecorder &recorder, std::uint32_t elapsed) {
  VoiceTimer timer{recorder.mRecording, recorder.mVoiceTimer, recorder.mVoicePeriod};
  const bool due = advanceVoiceTimer(timer, elapsed);
  recorder.mVoiceTimer = timer.timer;
  recorder.mVoicePeriod = timer.period;
  if (due)
    recorder.captureStep();
}

int runStation() {
  quietSoundStart();
  if (firstEntry) {
    loopClock.lastTime = getHighPrecisionTimerValue();
    firstEntry = false;
  }
  int result = 0;
  try {
    if (graphicsModule.setup())
      runExercise();
    else
      result = 1;
  } catch (const Ogre::Exception &e) {
    std::cerr << "An exception has occured: " << e.getFullDescription() << std::endl;
    result = ENGINE_EXCEPTION_RESULT;
  }
  shutDown();
  return result;
}
