#pragma once

// A window whose display goes away (the X server ends, the connection
// breaks): the window system library under highgui (Qt) then ends the
// process on the spot with exit(1), from inside the window's event
// handling, leaving the run's results unwritten.  While a guard lives, such
// an exit runs the guard's `finish` instead, which ends the run as an
// interrupt would; its result is the process's exit status.  exit() does
// not unwind the stack, so what `finish` refers to is still there.

#include <functional>

namespace tavo_cli {

class DisplayLossGuard {
public:
    // Create it once the window is open: it must come before the library's
    // own clean-up at exit.
    explicit DisplayLossGuard(std::function<int()> finish);
    ~DisplayLossGuard();
    DisplayLossGuard(const DisplayLossGuard&) = delete;
    DisplayLossGuard& operator=(const DisplayLossGuard&) = delete;
};

}  // namespace tavo_cli
