#pragma once

// Whether the demo's window can be shown.  Without a display, the window
// system library under highgui aborts the whole program when the first
// window is opened; the demo checks first and says so instead.

#include <string>

// Empty when a window can be opened, or when the choice is left to the
// window system library (a Qt platform that needs no display, such as
// "offscreen", or Wayland); otherwise why no window can be opened.
std::string displayProblem();
