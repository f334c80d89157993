#include "programs/track/interrupts.h"

#include "programs/track/temporary_registry.h"

#include <csignal>

namespace tavo_cli {

namespace {

volatile std::sig_atomic_t requested = 0;  // the signal number, 0 for none
// A lock-free atomic, so that the signal handler may set it.
std::atomic<bool> stopping{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
std::atomic<int> stopSignalsSeen{0};
std::atomic<bool> waitingForInputs{false};  // see WaitingForInputs
static_assert(std::atomic<int>::is_always_lock_free, "counted in a signal handler");

// The signals that ask for a stop, and those that end the run at once.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kFatalSignals[] = {SIGQUIT, SIGXCPU};
// The other signals whose default action ends the process, caught only
// while that default is in place (not where a profiler, a debugger's helper
// or whoever started the run set them up otherwise).  Faults (SIGSEGV,
// SIGBUS, SIGILL, SIGFPE, SIGTRAP, SIGSYS) are left to the system and the
// sanitizers: a process in that state should do no more.
constexpr int kOtherEndingSignals[] = {SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF,
                                       SIGIO,   SIGPWR,  SIGSTKFLT, SIGABRT};

// Whether `signal` is a hangup or quit that whoever started the run set to
// be ignored (as nohup does), and that stays ignored.
bool keptIgnored(int signal)
{
    struct sigaction current {};
    return (signal == SIGHUP || signal == SIGQUIT) && sigaction(signal, nullptr, &current) == 0 &&
           current.sa_handler == SIG_IGN;
}

// Whether `signal` has its default action.
bool byDefault(int signal)
{
    struct sigaction current {};
    return sigaction(signal, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
           current.sa_handler == SIG_DFL;
}

void handle(int signal, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // Reads and writes in progress carry on.
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

// Removes the run's temporaries and ends the process by the signal's
// default action, which takes effect when the handler returns (only
// async-signal-safe calls).
extern "C" void endRemovingTemporaries(int signal)
{
    removeRegisteredTemporaries();
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

// Notes the signal; a second one, of any of these kinds and whichever
// thread it reaches, or one while the inputs are opened, ends the process.
extern "C" void noteStopRequest(int signal)
{
    if (stopSignalsSeen.fetch_add(1, std::memory_order_relaxed) > 0 ||
        waitingForInputs.load(std::memory_order_relaxed)) {
        endRemovingTemporaries(signal);
        return;
    }
    requested = signal;
    stopping.store(true, std::memory_order_relaxed);
}

}  // namespace

void catchInterrupts()
{
    for (const int stop : kStopSignals)
        if (!keptIgnored(stop))
            handle(stop, noteStopRequest);
    for (const int fatal : kFatalSignals)
        if (!keptIgnored(fatal))
            handle(fatal, endRemovingTemporaries);
    for (const int ending : kOtherEndingSignals)
        if (byDefault(ending))
            handle(ending, endRemovingTemporaries);
    for (int realTime = SIGRTMIN; realTime <= SIGRTMAX; ++realTime)
        if (byDefault(realTime))
            handle(realTime, endRemovingTemporaries);
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

bool stopRequested() { return requested != 0; }

const std::atomic<bool>* stopFlag() { return &stopping; }

void requestStop() { stopping.store(true, std::memory_order_relaxed); }

int stopSignal() { return requested; }

WaitingForInputs::WaitingForInputs()
{
    waitingForInputs.store(true, std::memory_order_relaxed);
    // A stop asked for just before ends the run now, as one during would.
    if (requested != 0)
        endRemovingTemporaries(requested);
}

WaitingForInputs::~WaitingForInputs() { waitingForInputs.store(false, std::memory_order_relaxed); }

}  // namespace tavo_cli
