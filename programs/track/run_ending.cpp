// The end of a run: what is reported, what is kept.  The summary and the
// report belong to the results: when they cannot be written, the run has
// failed; a run whose results are not kept prints neither.

#include "programs/track/interrupts.h"
#include "programs/track/run_plots.h"
#include "programs/track/tracking_run.h"

#include <cerrno>
#include <cstring>

namespace tavo_cli {

namespace {

// Writes to the standard output (null when the caller closed it); false
// with `failure` set to the first errno.
bool printOut(std::FILE* out, const std::string& text, int& failure)
{
    if (failure)
        return false;
    errno = 0;
    if (!out)
        failure = EBADF;
    else if (std::fputs(text.c_str(), out) == EOF)
        failure = errno ? errno : EIO;
    return failure == 0;
}

}  // namespace

// The summary line (or only the seed with --quiet --print-seed), the
// targets dropped by --drop-lost and the score report; `outFailure` set when the output fails.
void TrackingRun::printSummary(int& outFailure)
{
    const std::string seedText = "seed " + std::to_string(seed_);
    const double seconds = std::chrono::duration<double, std::milli>(Clock::now() - firstStart_).count() / 1000;
    if (!options_.quiet)
        printOut(out_,
                 times_.summary(editor_.targetCount(session_->targets()), seconds) +
                     (view_ && view_->stopped() ? ", stopped early from the window" : "") + ", " + seedText + "\n",
                 outFailure);
    else if (options_.printSeed)
        printOut(out_, seedText + "\n", outFailure);
    // Which targets were dropped, and when, is a result: printed with
    // --quiet too.
    for (const std::string& note : editor_.notes())
        printOut(out_, note + "\n", outFailure);
    if (scorer_)
        printOut(out_, formatReport(scorer_->report(), options_.gtFile), outFailure);
}

// The run's ending, after the frame loop or from within it when the
// window's display goes away; the exit status.
int TrackingRun::finish(const TrackingEnd& end)
{
    int status = end.status;
    bool keep = end.keepResults;
    std::string error;
    for (const std::string& text : exits_.warnings())
        warning(text);
    if (stopRequested() || end.displayLost) {
        message(std::string(end.displayLost ? "the window's display is gone: " : "") + "interrupted after " +
                counted(times_.frames(), "frame"));
        if (status == kExitSuccess)
            status = interruptedExitStatus(end.displayLost ? kDisplayLostSignal : stopSignal());
    }
    const auto fail = [&](const std::string& text) {
        message(text);
        status = kExitRunError;
        keep = false;
    };
    if (keep && !outputs_.close(error))
        fail(error);
    if (keep && !options_.plotFile.empty() &&
        !writePlots(outputs_, firstFrame_, paths_.paths(), scorer_ ? &*scorer_ : nullptr, error))
        fail(error);
    int outFailure = 0;
    if (keep)
        printSummary(outFailure);
    if (options_.timings)
        std::fputs(stages_.table().c_str(), err_);
    errno = 0;
    if (out_ && std::fflush(out_) != 0 && !outFailure)
        outFailure = errno ? errno : EIO;
    if (outFailure)
        fail(std::string("cannot write the standard output: ") + std::strerror(outFailure));
    if (keep && !outputs_.commit(error))
        fail(error);
    if (!keep)
        outputs_.discard();
    return status;
}

}  // namespace tavo_cli
