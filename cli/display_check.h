#pragma once

// Whether a window can be opened at all.  OpenCV's Qt back end aborts the
// whole process when it finds no display, so the command asks first and
// refuses with a message instead.

#include <optional>
#include <string>

namespace tavo_cli {

// Nothing when windows can be opened; otherwise why not, e.g. "DISPLAY is
// not set".  On X11 the check's own connection stays open until the
// process ends.
std::optional<std::string> missingDisplay();

}  // namespace tavo_cli
