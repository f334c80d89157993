#pragma once

// Ctrl-C within a frame.  Python's handler of SIGINT only notes the signal;
// KeyboardInterrupt is raised once the main thread runs Python again, after
// the frame under way.  While the main thread tracks a frame (the
// interpreter lock let go) and SIGINT raises KeyboardInterrupt, a handler
// of the module's takes the place of Python's: it sets the session's stop
// flag, which ends the frame within a fraction of a second, and passes the
// signal on to Python's handler.  A handler of the program's own (which
// may not raise), SIG_IGN and SIG_DFL are left as they are.

#include <atomic>

namespace tavo_python {

// Watches for Ctrl-C while it lives; made and ended with the interpreter
// lock held.
class InterruptWatch {
public:
    InterruptWatch();
    ~InterruptWatch() { restore(); }
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    // The session's stop flag: null when not watching.
    const std::atomic<bool>* flag() const;
    bool interrupted() const;

private:
    void restore();

    bool active_ = false;
};

// Raises the KeyboardInterrupt that ended a frame.
[[noreturn]] void raiseInterrupt();

}  // namespace tavo_python
