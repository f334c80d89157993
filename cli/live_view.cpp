#include "cli/live_view.h"

#include "cli/interrupts.h"

namespace tavo_cli {

const char* const kLiveWindowTitle = "TAVO tracking";

namespace {

// While running, the window's events are handled once per frame and for no
// longer than needed; while paused the loop only waits for keys.
constexpr int kRunningWaitMilliseconds = 1;
constexpr int kPausedPollMilliseconds = 50;
// While a long frame is tracked, the window is looked at this often.
constexpr int kBusyPollMilliseconds = 50;

}  // namespace

LiveView::LiveView() : window_(kLiveWindowTitle) {}

bool LiveView::stillWanted()
{
    const int key = window_.waitKey(kBusyPollMilliseconds);
    if (key == kKeySpace)
        pauseAsked_ = true;  // the pause begins once the frame is shown
    if (key == kKeyEscape || !window_.isOpen())
        stopped_ = true;
    return !stopped_;
}

bool LiveView::frameTracked(int, const std::vector<TrackedTarget>&, const CvMat* annotated)
{
    if (stopped_)
        return false;  // ended from the window while the frame was tracked
    window_.show(cv::cvarrToMat(annotated));
    int key = window_.waitKey(kRunningWaitMilliseconds);
    if (pauseAsked_) {
        pauseAsked_ = false;
        key = kKeySpace;
    }
    if (key == kKeySpace)
        key = waitWhilePaused();
    if (key == kKeyEscape || !window_.isOpen()) {
        stopped_ = true;
        return false;
    }
    return !stopRequested();
}

int LiveView::waitWhilePaused()
{
    // The frame stays on screen until Space again, Escape, the window
    // closed or a stop signal.
    for (;;) {
        const int key = window_.waitKey(kPausedPollMilliseconds);
        if (key == kKeySpace)
            return -1;
        if (key == kKeyEscape || !window_.isOpen() || stopRequested())
            return key;
    }
}

}  // namespace tavo_cli
