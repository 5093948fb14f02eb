// The engine-free pieces of a station's first minutes: the window manager's
// close request, what reaches the terminal and the screenshot message.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "graphics/GraphicsModule_FrameListener.h"
#include "graphics/MessageTimer.h"
#include "graphics/WindowCloseRequest.h"
#include "shell/TerminalLog.h"

// Xlib's macros clash with GoogleTest's and the engine's names: last.
#include <X11/Xlib.h>

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
  sendProtocolMessage("_NET_WM_PING", 7);
  EXPECT_FALSE(takeCloseRequest(mDisplay, mWindow)) << "a ping alone is no close request";
  EXPECT_EQ(queuedMessages(), (std::vector<long>{7}));
  sendProtocolMessage("_NET_WM_PING", 1);
  sendProtocolMessage("WM_DELETE_WINDOW", 2);
  sendProtocolMessage("_NET_WM_PING", 3);
  EXPECT_TRUE(takeCloseRequest(mDisplay, mWindow));
  EXPECT_EQ(queuedMessages(), (std::vector<long>{1, 3}));
}

TEST(TerminalLine, ASoundSystemWithoutDeviceSaysSoInOneLineAndOtherLinesPassAsTheyAre) {
  EXPECT_EQ(terminalLine("", "Failed to intitialize OpenAL."),
            "no sound device: the station runs without sound");
  EXPECT_EQ(terminalLine("", "Failure (1) loading sound file 'boop.wav'"),
            "Failure (1) loading sound file 'boop.wav'");
  EXPECT_EQ(terminalLine("LogUDP", "Unable to bind the socket to 127.0.0.1:28000."),
            "LogUDP: Unable to bind the socket to 127.0.0.1:28000.");
}

TEST(SavedMessage, TheScreenshotMessageGoesAfterItsSecondsOnceAndANewShotStartsItAgain) {
  MessageTimer timer;
  EXPECT_FALSE(timer.expired(1.0)) << "nothing shown, nothing to take down";
  timer.start(SAVED_MESSAGE_SECONDS);
  EXPECT_FALSE(timer.expired(SAVED_MESSAGE_SECONDS * 0.6));
  timer.start(SAVED_MESSAGE_SECONDS); // a second screenshot shows its name for the full time
  EXPECT_FALSE(timer.expired(SAVED_MESSAGE_SECONDS * 0.9));
  EXPECT_TRUE(timer.expired(SAVED_MESSAGE_SECONDS * 0.2));
  EXPECT_FALSE(timer.expired(1.0)) << "taken down once only";
}

} // namespace
