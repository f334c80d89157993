#pragma once

// The environment Qt (under highgui) reads when the first window opens.
// Qt prints its own remarks on standard error: that XDG_RUNTIME_DIR is not
// set, that the X11 plugin cannot propagate size hints, and the like.  The
// programs report in their own words only, so before the first window:
// Qt's logging is switched off (QT_LOGGING_RULES), and a private runtime
// directory is made when XDG_RUNTIME_DIR is not set (removed at exit).
// Call after missingDisplay(), which reads XDG_RUNTIME_DIR for Wayland.

void quietWindowSystem();
