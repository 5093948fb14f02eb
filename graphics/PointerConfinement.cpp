#include "graphics/PointerConfinement.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace {

// XFixes 5 brought pointer barriers.
bool barriersSupported(Display *display) {
  int eventBase = 0;
  int errorBase = 0;
  int major = 0;
  int minor = 0;
  return XFixesQueryExtension(display, &eventBase, &errorBase) &&
         XFixesQueryVersion(display, &major, &minor) && major >= 5;
}

} // namespace

PointerConfinement::~PointerConfinement() {
  release();
}

bool PointerConfinement::confine(Display *display, unsigned long window) {
  if (confined() || !display || !window || !barriersSupported(display))
    return false;
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes))
    return false;
  const Window root = attributes.root;
  int left = 0;
  int top = 0;
  Window child = 0;
  XTranslateCoordinates(display, window, root, 0, 0, &left, &top, &child);
  // The pointer may stand on the window's last column and row, not beyond;
  // each fence runs a pixel past the corners so no corner lets it slip.
  const int right = left + attributes.width;
  const int bottom = top + attributes.height;
  mBarriers = {
      XFixesCreatePointerBarrier(display, root, left, top - 1, left, bottom + 1, 0, 0, nullptr),
      XFixesCreatePointerBarrier(display, root, right, top - 1, right, bottom + 1, 0, 0, nullptr),
      XFixesCreatePointerBarrier(display, root, left - 1, top, right + 1, top, 0, 0, nullptr),
      XFixesCreatePointerBarrier(display, root, left - 1, bottom, right + 1, bottom, 0, 0, nullptr),
  };
  XFlush(display);
  mDisplay = display;
  return true;
}

void PointerConfinement::release() {
  if (!mDisplay)
    return;
  for (unsigned long barrier : mBarriers)
    if (barrier)
      XFixesDestroyPointerBarrier(mDisplay, barrier);
  XFlush(mDisplay);
  mBarriers = {};
  mDisplay = nullptr;
}
