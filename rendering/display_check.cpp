#include "rendering/display_check.h"

#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#ifdef TAVO_HAVE_X11
#include <X11/Xlib.h>
#endif

namespace {

// Whether the peer of the connection `fd` has closed it.  The check's own
// connection asks for no events, so it reads nothing else but the end.
bool hungUp(int fd)
{
    pollfd watched{fd, POLLIN, 0};
    if (::poll(&watched, 1, 0) <= 0)
        return false;
    if (watched.revents & (POLLHUP | POLLERR))
        return true;
    char byte;
    return ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

#ifdef TAVO_HAVE_X11
// The check's own connection to DISPLAY, opened once; null when refused.
Display* x11Connection()
{
    static Display* connection = nullptr;
    const char* display = std::getenv("DISPLAY");
    if (!connection && display && *display)
        connection = XOpenDisplay(display);
    return connection;
}
#endif

std::optional<std::string> missingX11Display()
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return std::string("DISPLAY is not set");
#ifdef TAVO_HAVE_X11
    Display* const connection = x11Connection();
    if (!connection)
        return "cannot connect to the display '" + std::string(display) + "'";
    if (hungUp(ConnectionNumber(connection)))
        return "the display '" + std::string(display) + "' has gone away";
#endif
    return std::nullopt;
}

// Whether a program can connect to the Unix socket at `path`.
bool acceptsConnections(const std::string& path)
{
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

// A Wayland compositor's socket is WAYLAND_DISPLAY ("wayland-0" unless
// set) in XDG_RUNTIME_DIR, or WAYLAND_DISPLAY itself when it is a path.
std::optional<std::string> missingWaylandDisplay()
{
    const char* name = std::getenv("WAYLAND_DISPLAY");
    std::string socket = name && *name ? name : "wayland-0";
    if (socket[0] != '/') {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (!runtime || !*runtime)
            return std::string("QT_QPA_PLATFORM asks for Wayland, but XDG_RUNTIME_DIR is not set");
        socket = std::string(runtime) + "/" + socket;
    }
    if (!acceptsConnections(socket))
        return "QT_QPA_PLATFORM asks for Wayland, but no compositor answers at '" + socket + "'";
    return std::nullopt;
}

// Why the Qt platform `name` cannot open a window; nothing when it can, or
// when it checks its own prerequisites.
std::optional<std::string> missingPlatformDisplay(const std::string& name)
{
    if (name.rfind("xcb", 0) == 0)
        return missingX11Display();
    if (name.rfind("wayland", 0) == 0)
        return missingWaylandDisplay();
    return std::nullopt;
}

// The Qt platforms asked for, in order: QT_QPA_PLATFORM's list "a;b", X11
// ("xcb") unless told otherwise.
std::vector<std::string> qtPlatforms()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const std::string list = platform && *platform ? platform : "xcb";
    std::vector<std::string> names;
    for (size_t start = 0; start <= list.size();) {
        size_t end = list.find(';', start);
        if (end == std::string::npos)
            end = list.size();
        if (end > start)
            names.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

}  // namespace

std::optional<ScreenSize> screenSize()
{
    const std::vector<std::string> platforms = qtPlatforms();
    if (platforms.empty() || platforms.front().rfind("xcb", 0) != 0)
        return std::nullopt;
#ifdef TAVO_HAVE_X11
    if (Display* const connection = x11Connection(); connection && !hungUp(ConnectionNumber(connection))) {
        const int screen = DefaultScreen(connection);
        return ScreenSize{DisplayWidth(connection, screen), DisplayHeight(connection, screen)};
    }
#endif
    return std::nullopt;
}

std::optional<std::string> missingDisplay()
{
    // Qt picks its window system from QT_QPA_PLATFORM, the first of its
    // list that works.
    std::optional<std::string> firstReason;
    for (const std::string& name : qtPlatforms()) {
        const auto reason = missingPlatformDisplay(name);
        if (!reason)
            return std::nullopt;
        if (!firstReason)
            firstReason = reason;
    }
    return firstReason;
}
