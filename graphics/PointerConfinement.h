#pragma once
// Keeps the system pointer inside a window while a mouse drag turns the view,
// so that the pointer is still over the station when the drag ends and later
// presses reach it rather than the desktop. The input devices keep receiving
// every motion (X pointer barriers block the pointer without grabbing it,
// which would take the events away from the input library's own connection).
// Kept apart from the engine's headers: Xlib's macros clash with its names.

#include <array>

struct _XDisplay;

class PointerConfinement {
public:
  PointerConfinement() = default;
  ~PointerConfinement();
  PointerConfinement(const PointerConfinement &) = delete;
  PointerConfinement &operator=(const PointerConfinement &) = delete;

  // Fences the window's four edges; false when the display cannot (no
  // barrier support), the pointer then stays free as before.
  bool confine(_XDisplay *display, unsigned long window);
  // Takes the fences down again; nothing happens when there are none.
  void release();
  bool confined() const { return mDisplay != nullptr; }

private:
  _XDisplay *mDisplay = nullptr;
  std::array<unsigned long, 4> mBarriers{}; // left, right, top, bottom
};
