#include "python/interrupt_watch.h"

#include <pybind11/pybind11.h>

#include <signal.h>

namespace tavo_python {

namespace py = pybind11;

namespace {

std::atomic<bool> interruptNoted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
struct sigaction pythonsAction {};

extern "C" void noteInterrupt(int signal)
{
    interruptNoted.store(true, std::memory_order_relaxed);
    pythonsAction.sa_handler(signal);
}

// Whether SIGINT raises KeyboardInterrupt in this thread.
bool interruptsRaiseHere()
{
    const py::module_ threading = py::module_::import("threading");
    if (!threading.attr("current_thread")().is(threading.attr("main_thread")()))
        return false;
    const py::module_ signals = py::module_::import("signal");
    return signals.attr("getsignal")(signals.attr("SIGINT")).is(signals.attr("default_int_handler"));
}

}  // namespace

InterruptWatch::InterruptWatch()
{
    struct sigaction current {};
    if (!interruptsRaiseHere() || sigaction(SIGINT, nullptr, &current) != 0 ||
        (current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler == SIG_DFL || current.sa_handler == SIG_IGN)
        return;
    pythonsAction = current;
    interruptNoted.store(false);
    struct sigaction mine = current;
    mine.sa_handler = noteInterrupt;
    active_ = sigaction(SIGINT, &mine, nullptr) == 0;
    // A Ctrl-C that came just before is raised before the frame begins.
    if (PyErr_CheckSignals() != 0) {
        restore();
        throw py::error_already_set();
    }
}

const std::atomic<bool>* InterruptWatch::flag() const { return active_ ? &interruptNoted : nullptr; }

bool InterruptWatch::interrupted() const { return active_ && interruptNoted.load(); }

void InterruptWatch::restore()
{
    if (active_)
        sigaction(SIGINT, &pythonsAction, nullptr);
    active_ = false;
}

void raiseInterrupt()
{
    if (PyErr_CheckSignals() == 0)
        PyErr_SetNone(PyExc_KeyboardInterrupt);
    throw py::error_already_set();
}

}  // namespace tavo_python
