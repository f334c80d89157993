#pragma once

// Signals during a run.
//
// Ctrl-C (SIGINT), SIGTERM and a hangup (SIGHUP: the terminal closed, the
// ssh connection dropped) ask the frame loop to stop instead of ending the
// process at once, so that every result file is closed properly.  A hangup
// that was ignored when the run started (nohup) stays ignored.
//
// A second signal of these kinds, SIGQUIT (unless ignored at the start),
// SIGXCPU (the CPU time limit) and every other signal that ends a process
// by default and can be caught (SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM,
// SIGPROF, SIGIO, SIGPWR, SIGSTKFLT, SIGABRT, the real-time signals; those
// among them set up otherwise when the run starts stay so) end the process
// at once, as without handlers and with the same exit status, but remove
// the run's temporary files first (see temporary_registry.h).  Faults such
// as SIGSEGV are left alone.
//
// SIGPIPE and SIGXFSZ are ignored: a reader of the standard output that
// goes away, or a file grown past the size limit, shows as a write error,
// which the run reports, instead of killing it before its files are
// handled.

#include <atomic>

namespace tavo_cli {

// Installs the handlers; call once before the run.
void catchInterrupts();

// Whether a stop was asked for since catchInterrupts.
bool stopRequested();

// Set by a stop signal or by requestStop(): handed to the tracking session,
// it ends even a long frame within a fraction of a second.
const std::atomic<bool>* stopFlag();
// Sets the stop flag without a signal (e.g. the live window was closed).
void requestStop();

// The signal that asked for the stop (0 for none).
int stopSignal();

// While one lives, the run is opening or reading its inputs, where a call
// may wait in the system (a file on a stalled mount, a device): a stop
// signal then ends the run at once, removing its temporaries, as a second
// one would, since no frame loop is there to notice it.
class WaitingForInputs {
public:
    WaitingForInputs();
    ~WaitingForInputs();
    WaitingForInputs(const WaitingForInputs&) = delete;
    WaitingForInputs& operator=(const WaitingForInputs&) = delete;
};

// The exit status of a run stopped by `signal`: 128 + its number, as a
// shell reports a process the signal ended (130 for SIGINT, 143 for
// SIGTERM, 129 for SIGHUP).
constexpr int interruptedExitStatus(int signal) { return 128 + signal; }

}  // namespace tavo_cli
