#include "graphics/WindowCloseRequest.h"

#include <X11/Xlib.h>

#include <vector>

namespace {

struct CloseRequestMatch {
  Window window;
  Atom protocols;    // WM_PROTOCOLS
  Atom deleteWindow; // WM_DELETE_WINDOW
};

Bool isCloseRequest(Display *, XEvent *event, XPointer argument) {
  const auto *match = reinterpret_cast<const CloseRequestMatch *>(argument);
  const XClientMessageEvent &message = event->xclient;
  return event->type == ClientMessage && message.window == match->window &&
         message.message_type == match->protocols && message.format == 32 &&
         static_cast<Atom>(message.data.l[0]) == match->deleteWindow;
}

} // namespace

void acceptCloseRequests(XDisplayHandle display, XWindowId window) {
  const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  std::vector<Atom> protocols;
  Atom *listed = nullptr;
  int count = 0;
  if (XGetWMProtocols(display, window, &listed, &count) != 0 && listed) {
    protocols.assign(listed, listed + count);
    XFree(listed);
  }
  for (Atom protocol : protocols)
    if (protocol == deleteWindow)
      return;
  protocols.push_back(deleteWindow);
  XSetWMProtocols(display, window, protocols.data(), static_cast<int>(protocols.size()));
  XFlush(display);
}

bool takeCloseRequest(XDisplayHandle display, XWindowId window) {
  CloseRequestMatch match{window, XInternAtom(display, "WM_PROTOCOLS", False),
                          XInternAtom(display, "WM_DELETE_WINDOW", False)};
  XEvent event;
  bool requested = false;
  while (XCheckIfEvent(display, &event, isCloseRequest, reinterpret_cast<XPointer>(&match)))
    requested = true;
  return requested;
}
