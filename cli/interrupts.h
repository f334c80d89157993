#pragma once

// Ctrl-C (SIGINT) and SIGTERM during a run: instead of ending the process
// at once, they ask the frame loop to stop after the current frame, so that
// every result file is closed properly.  A second signal of either kind
// ends the process at once, as without these handlers.
//
// SIGPIPE is ignored as well: a reader of the standard output that goes
// away shows as a write error, which the run reports, instead of killing it
// before its files are handled.

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

// The exit status of a run stopped by `signal`: 128 + its number, as a
// shell reports a process the signal ended (130 for SIGINT, 143 for SIGTERM).
constexpr int interruptedExitStatus(int signal) { return 128 + signal; }

}  // namespace tavo_cli
