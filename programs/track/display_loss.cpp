#include "programs/track/display_loss.h"

#include <cstdio>
#include <cstdlib>

namespace tavo_cli {

namespace {

// The guard's ending; empty while no guard lives.  The command itself never
// calls exit(): an exit while a guard lives comes from the library.
std::function<int()>& pendingFinish()
{
    static std::function<int()> finish;
    return finish;
}

extern "C" void finishInstead()
{
    std::function<int()> finish;
    finish.swap(pendingFinish());
    if (!finish)
        return;
    const int status = finish();
    std::fflush(nullptr);
    std::_Exit(status);  // the library's clean-up would abort with the run's thread still there
}

}  // namespace

DisplayLossGuard::DisplayLossGuard(std::function<int()> finish)
{
    // Handlers run in the reverse order of registration: this one, once
    // registered after the window opened, runs before the library's.
    static const bool registered = std::atexit(finishInstead) == 0;
    if (registered)
        pendingFinish() = std::move(finish);
}

DisplayLossGuard::~DisplayLossGuard() { pendingFinish() = nullptr; }

}  // namespace tavo_cli
