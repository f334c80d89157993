#pragma once

// Whether a window can be opened.  Without a display, the window system
// library under highgui aborts the whole program when the first window is
// opened; the programs check first and say so instead.

#include <optional>
#include <string>

// Nothing when a window can be opened, or when the choice is left to the
// window system library (a Qt platform other than X11's "xcb" and
// Wayland's, such as "offscreen"); otherwise why not: "DISPLAY is not set",
// "cannot connect to the display ':N'", or that no Wayland compositor
// answers when QT_QPA_PLATFORM asks for one.  On X11 the check's own connection stays open until
// the process ends: a server that resets when its last client leaves (Xvfb
// does by default) would otherwise refuse the window that opens right after;
// asked again, the check says whether that server has gone away since.
std::optional<std::string> missingDisplay();

// The size in pixels of the X11 screen windows open on; nothing when it is
// not known (no X11 display, or Qt told to use another window system).
struct ScreenSize {
    int width = 0;
    int height = 0;
};
std::optional<ScreenSize> screenSize();
