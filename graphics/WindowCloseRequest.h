#pragma once
// The window manager's close request (WM_DELETE_WINDOW) of an X11 window.
// Kept apart from the engine's headers: Xlib's macros clash with its names.

// Xlib's Display and Window, without including Xlib here.
struct _XDisplay;
using XDisplayHandle = _XDisplay *;
using XWindowId = unsigned long;

// Adds WM_DELETE_WINDOW to the window's WM_PROTOCOLS, keeping the protocols
// it already lists. A window manager then asks the program to close the
// window instead of killing the program's X connection, whenever it starts.
void acceptCloseRequests(XDisplayHandle display, XWindowId window);

// Takes the close requests already queued for the window and reports whether
// there was one. Every other event, other client messages such as the window
// manager's _NET_WM_PING included, stays queued in order for its handler.
bool takeCloseRequest(XDisplayHandle display, XWindowId window);
