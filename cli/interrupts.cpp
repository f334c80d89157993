#include "cli/interrupts.h"

#include <csignal>

namespace tavo_cli {

namespace {

volatile std::sig_atomic_t requested = 0;  // the signal number, 0 for none
// A lock-free atomic, so that the signal handler may set it.
std::atomic<bool> stopping{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

// Notes the signal and gives both signals back their default action, so
// that the next one ends the process (sigaction is async-signal-safe).
extern "C" void noteStopRequest(int signal)
{
    requested = signal;
    stopping.store(true, std::memory_order_relaxed);
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(SIGINT, &fallback, nullptr);
    sigaction(SIGTERM, &fallback, nullptr);
}

}  // namespace

void catchInterrupts()
{
    struct sigaction action {};
    action.sa_handler = noteStopRequest;
    sigemptyset(&action.sa_mask);
    // Reads and writes in progress carry on.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

bool stopRequested() { return requested != 0; }

const std::atomic<bool>* stopFlag() { return &stopping; }

void requestStop() { stopping.store(true, std::memory_order_relaxed); }

int stopSignal() { return requested; }

}  // namespace tavo_cli
