#include "WindowClose.h"

#include <X11/Xlib.h>

namespace {

bool sendClientMessage(const std::string &displayName, unsigned long window, const char *type,
                       const char *protocol, bool toRoot) {
  Display *x = XOpenDisplay(displayName.c_str());
  if (!x)
    return false;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(x, type, False);
  event.xclient.format = 32;
  if (protocol) {
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, protocol, False));
    event.xclient.data.l[1] = CurrentTime;
  } else {
    event.xclient.data.l[0] = CurrentTime;
    event.xclient.data.l[1] = 2; // source: a pager or a user's direct action
  }
  const Window target = toRoot ? DefaultRootWindow(x) : window;
  const long mask = toRoot ? SubstructureRedirectMask | SubstructureNotifyMask : NoEventMask;
  XSendEvent(x, target, False, mask, &event);
  XFlush(x);
  XCloseDisplay(x);
  return true;
}

} // namespace

bool requestWindowClose(const std::string &displayName, unsigned long window) {
  return sendClientMessage(displayName, window, "WM_PROTOCOLS", "WM_DELETE_WINDOW", false);
}

bool requestCloseThroughWindowManager(const std::string &displayName, unsigned long window) {
  return sendClientMessage(displayName, window, "_NET_CLOSE_WINDOW", nullptr, true);
}

bool turnKeyRepeatOff(const std::string &displayName) {
  Display *x = XOpenDisplay(displayName.c_str());
  if (!x)
    return false;
  XAutoRepeatOff(x);
  XSync(x, False);
  XCloseDisplay(x);
  return true;
}
