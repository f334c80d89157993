#pragma once

// Whether a window can be opened.  Without a display, the window system
// library under highgui aborts the whole program when the first window is
// opened; the programs check first and say so instead.

#include <optional>
#include <string>

// Nothing when a window can be opened, or when the choice is left to the
// window system library (a Qt platform other than X11's "xcb", such as
// "offscreen"); otherwise why not: "DISPLAY is not set" or "cannot connect
// to the display ':N'".  On X11 the check's own connection stays open until
// the process ends: a server that resets when its last client leaves (Xvfb
// does by default) would otherwise refuse the window that opens right after.
std::optional<std::string> missingDisplay();
