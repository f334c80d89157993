#include "app/display_check.h"

#include <cstdlib>

#ifdef TAVO_HAVE_X11
#include <X11/Xlib.h>
#endif

std::optional<std::string> missingDisplay()
{
    // Qt picks its window system from QT_QPA_PLATFORM, X11 ("xcb") unless
    // told otherwise; another platform checks its own prerequisites.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform && std::string(platform).rfind("xcb", 0) != 0)
        return std::nullopt;

    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return std::string("DISPLAY is not set");
#ifdef TAVO_HAVE_X11
    static Display* connection = nullptr;
    if (!connection)
        connection = XOpenDisplay(display);
    if (!connection)
        return "cannot connect to the display '" + std::string(display) + "'";
#endif
    return std::nullopt;
}
