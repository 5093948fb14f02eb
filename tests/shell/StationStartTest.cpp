// The engine-free pieces of a station's first minutes: the window manager's
// close request, what reaches the terminal, screenshot numbering and the
// mouse look's turn per pixel.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "graphics/GraphicsModule_FrameListener.h"
#include "graphics/MessageTimer.h"
#include "graphics/ScreenshotNames.h"
#include "graphics/WindowCloseRequest.h"
#include "shell/TerminalLog.h"

// Xlib's macros clash with GoogleTest's and the engine's names: last.
#include <X11/Xlib.h>

namespace fs = std::filesystem;

namespace {

// A window on the test's display (tests run under Xvfb) and a second
// connection that plays the window manager.
class CloseRequestTest : public ::testing::Test {
protected:
  void SetUp() override {
    mDisplay = XOpenDisplay(nullptr);
    mManager = XOpenDisplay(nullptr);
    ASSERT_NE(mDisplay, nullptr) << "no X display (run under xvfb-run)";
    ASSERT_NE(mManager, nullptr);
    mWindow = XCreateSimpleWindow(mDisplay, DefaultRootWindow(mDisplay), 0, 0, 64, 64, 0, 0, 0);
    XSync(mDisplay, False);
  }
  void TearDown() override {
    if (mDisplay) {
      XDestroyWindow(mDisplay, mWindow);
      XCloseDisplay(mDisplay);
    }
    if (mManager)
      XCloseDisplay(mManager);
  }

  Atom atom(const char *name) { return XInternAtom(mDisplay, name, False); }

  void sendProtocolMessage(const char *protocol, long serial) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = mWindow;
    event.xclient.message_type = XInternAtom(mManager, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(mManager, protocol, False));
    event.xclient.data.l[1] = CurrentTime;
    event.xclient.data.l[2] = serial; // tells the messages apart
    XSendEvent(mManager, mWindow, False, NoEventMask, &event);
    XSync(mManager, False);
    XSync(mDisplay, False);
  }

  // The client messages still queued for the window, by their serial.
  std::vector<long> queuedMessages() {
    std::vector<long> serials;
    XEvent event;
    while (XCheckTypedWindowEvent(mDisplay, mWindow, ClientMessage, &event))
      serials.push_back(event.xclient.data.l[2]);
    return serials;
  }

  Display *mDisplay = nullptr;
  Display *mManager = nullptr;
  Window mWindow = 0;
};

TEST_F(CloseRequestTest, TheWindowListsTheCloseRequestBesideTheProtocolsItHad) {
  Atom ping = atom("_NET_WM_PING");
  XSetWMProtocols(mDisplay, mWindow, &ping, 1);
  acceptCloseRequests(mDisplay, mWindow);
  acceptCloseRequests(mDisplay, mWindow); // a second call adds nothing

  Atom *listed = nullptr;
  int count = 0;
  ASSERT_NE(XGetWMProtocols(mDisplay, mWindow, &listed, &count), 0);
  const std::vector<Atom> protocols(listed, listed + count);
  XFree(listed);
  EXPECT_EQ(protocols, (std::vector<Atom>{ping, atom("WM_DELETE_WINDOW")}));
}

TEST_F(CloseRequestTest, OnlyTheCloseRequestIsTakenAndPingsStayQueuedInOrder) {
  sendProtocolMessage("_NET_WM_PING", 1);
  sendProtocolMessage("WM_DELETE_WINDOW", 2);
  sendProtocolMessage("_NET_WM_PING", 3);
  EXPECT_TRUE(takeCloseRequest(mDisplay, mWindow));
  EXPECT_EQ(queuedMessages(), (std::vector<long>{1, 3}));
}

TEST_F(CloseRequestTest, APingAloneIsNoCloseRequest) {
  sendProtocolMessage("_NET_WM_PING", 7);
  EXPECT_FALSE(takeCloseRequest(mDisplay, mWindow));
  EXPECT_EQ(queuedMessages(), (std::vector<long>{7}));
}

TEST(TerminalLine, ASoundSystemWithoutDeviceSaysSoInOneLineAndOtherLinesPassAsTheyAre) {
  EXPECT_EQ(terminalLine("", "Failed to intitialize OpenAL."),
            "no sound device: the station runs without sound");
  EXPECT_EQ(terminalLine("", "Failure (1) loading sound file 'boop.wav'"),
            "Failure (1) loading sound file 'boop.wav'");
  EXPECT_EQ(terminalLine("LogUDP", "Unable to bind the socket to 127.0.0.1:28000."),
            "LogUDP: Unable to bind the socket to 127.0.0.1:28000.");
}

TEST(TerminalLog, TransportLinesReachTheStandardErrorStream) {
  // The consumer duplicates descriptor 2 when made: point 2 at a file first.
  const fs::path file = fs::temp_directory_path() / ("terminal-log-" + std::to_string(getpid()) + ".txt");
  std::fflush(stderr);
  const int saved = dup(2);
  FILE *out = std::fopen(file.c_str(), "w");
  ASSERT_NE(out, nullptr);
  dup2(fileno(out), 2);
  {
    TerminalLog terminal;
    TNL::logprintf("Failed to intitialize OpenAL.");
    TNL::logprintf("EventConnection %s: refused", "127.0.0.1:28000");
  }
  TNL::logprintf("not shown: no consumer any more");
  dup2(saved, 2);
  close(saved);
  std::fclose(out);
  std::ifstream in(file);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  fs::remove(file);
  EXPECT_EQ(text, "no sound device: the station runs without sound\n"
                  "EventConnection 127.0.0.1:28000: refused\n");
}

TEST(ScreenshotNames, NumberingGoesOnAfterTheHighestScreenshotInTheDirectory) {
  const fs::path dir = fs::temp_directory_path() / ("screenshots-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  EXPECT_EQ(highestScreenshotNumber(dir.string()), 0);
  for (const char *name :
       {"screenshot_1.png", "screenshot_12.png", "screenshot_3.png", "screenshot_40.png.bak",
        "screenshot_x.png", "screenshot_.png", "screenshot_99999999999.png", "notes.txt"})
    std::ofstream(dir / name) << "x";
  fs::create_directory(dir / "screenshot_50.png.d");
  EXPECT_EQ(highestScreenshotNumber(dir.string()), 12);
  EXPECT_EQ(screenshotName(13), "screenshot_13.png");
  fs::remove_all(dir);
  EXPECT_EQ(highestScreenshotNumber(dir.string()), 0) << "a missing directory has no screenshots";
}

TEST(SavedMessage, TheScreenshotMessageGoesAfterItsSecondsOnceAndANewShotStartsItAgain) {
  MessageTimer timer;
  EXPECT_FALSE(timer.expired(1.0)) << "nothing shown, nothing to take down";
  timer.start(SAVED_MESSAGE_SECONDS);
  EXPECT_GE(SAVED_MESSAGE_SECONDS, 2.0);
  EXPECT_LE(SAVED_MESSAGE_SECONDS, 10.0);
  double shown = 0;
  while (!timer.expired(0.05) && shown < 60)
    shown += 0.05;
  EXPECT_NEAR(shown + 0.05, SAVED_MESSAGE_SECONDS, 0.051);
  EXPECT_FALSE(timer.expired(0.05)) << "taken down once only";
  timer.start(SAVED_MESSAGE_SECONDS);
  EXPECT_FALSE(timer.expired(SAVED_MESSAGE_SECONDS / 2));
  timer.start(SAVED_MESSAGE_SECONDS); // a second screenshot shows its name for the full time
  EXPECT_FALSE(timer.expired(SAVED_MESSAGE_SECONDS * 0.9));
  EXPECT_TRUE(timer.expired(SAVED_MESSAGE_SECONDS * 0.2));
}

TEST(MouseLook, ATwoHundredPixelDragTurnsAsItDidAtSixtyFramesASecond) {
  // At 60 FPS the turn was 10 / (60 + 1) degrees a pixel; it no longer
  // depends on the frame rate.
  EXPECT_NEAR(200 * LOOK_DEGREES_PER_PIXEL, 200 * 10.0 / 61.0, 1e-4);
  EXPECT_NEAR(200 * LOOK_DEGREES_PER_PIXEL, 32.8, 0.1);
}

} // namespace
