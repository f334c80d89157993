#include "cli/display_check.h"

#include <cstdlib>

#ifdef TAVO_HAVE_XLIB
#include <X11/Xlib.h>
#endif

namespace tavo_cli {

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
#ifdef TAVO_HAVE_XLIB
    // A DISPLAY naming a server that is not there aborts Qt just the same.
    // The connection stays open for the rest of the process: a server that
    // resets when its last client leaves (Xvfb does by default) would
    // otherwise refuse the window that opens right after.
    static Display* connection = nullptr;
    if (!connection)
        connection = XOpenDisplay(display);
    if (!connection)
        return "cannot connect to the display '" + std::string(display) + "'";
#endif
    return std::nullopt;
}

}  // namespace tavo_cli
