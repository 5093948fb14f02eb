#pragma once
// The engine root of a station. The shell drives rendering one pass at a time
// (between passes it services the network, the voice timer and the sound), so
// the root offers the engine's continuous loop split in two: the preparation
// before the first frame, and one frame per call.

#include <OgreRoot.h>

// The engine's log goes to its file only: the engine would also copy every
// line, with colour codes, to the terminal. Made before the root, which then
// keeps it instead of creating its own, and deleted after it.
class QuietEngineLog {
protected:
  explicit QuietEngineLog(const Ogre::String &logFileName);
  ~QuietEngineLog();
  QuietEngineLog(const QuietEngineLog &) = delete;
  QuietEngineLog &operator=(const QuietEngineLog &) = delete;

private:
  Ogre::LogManager *mLogManager;
};

class StationRoot : private QuietEngineLog, public Ogre::Root {
public:
  StationRoot(const Ogre::String &pluginFileName, const Ogre::String &configFileName,
              const Ogre::String &logFileName);

  // Once, after set-up: readies the render targets and the frame timers as
  // the engine's own loop does before its first frame.
  void myStartRendering();

  // One pass: pumps the window messages and renders one frame, which fires
  // the frame listeners. True when rendering should stop: the window was
  // closed, a frame listener returned false, or queueEndRendering() was
  // called. Once true it stays true and no further frame is rendered.
  bool myRenderingLoop();

  // Right after the window is created: a close through the window manager
  // reaches the program's close handling, even from a window manager started
  // later.
  void acceptWindowCloseRequests();

private:
  bool isWindowClosed();
  // True when the window manager asked the window to close (the user closed
  // it); the window is then destroyed.
  bool takeCloseRequest();

  bool mRenderingStopped = false;
};
