#pragma once
// Asks an X11 window to close as a window manager does (WM_DELETE_WINDOW),
// or asks the running window manager to close it (_NET_CLOSE_WINDOW, what
// its title bar's close button does). Kept apart from the tests: Xlib's
// macros clash with GoogleTest's names.

#include <string>

// False when the display cannot be opened.
bool requestWindowClose(const std::string &displayName, unsigned long window);
bool requestCloseThroughWindowManager(const std::string &displayName, unsigned long window);
// A held key stays one press until it is let go (no automatic repeats, which
// a program sees as release and press again). False when the display cannot
// be opened.
bool turnKeyRepeatOff(const std::string &displayName);
