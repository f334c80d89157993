#include "app/display_check.h"

#include <cstdlib>
#include <cstring>

#ifdef TAVO_HAVE_X11
#include <X11/Xlib.h>
#endif

namespace {

// The Qt platform asked for in QT_QPA_PLATFORM ("xcb:option" -> "xcb"),
// empty when none is.
std::string requestedPlatform()
{
    const char* value = std::getenv("QT_QPA_PLATFORM");
    const std::string text = value ? value : "";
    return text.substr(0, text.find(':'));
}

}  // namespace

std::string displayProblem()
{
    // Only the X11 platform ("xcb", Qt's default here) is checked: other
    // platforms need no X display or know best themselves.
    const std::string platform = requestedPlatform();
    if (!platform.empty() && platform != "xcb")
        return std::string();
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return "no display to open the window on (DISPLAY is not set)";
#ifdef TAVO_HAVE_X11
    Display* connection = XOpenDisplay(display);
    if (!connection)
        return std::string("cannot open the display '") + display + "' for the window";
    XCloseDisplay(connection);
#endif
    return std::string();
}
