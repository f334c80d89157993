#include "cli/live_view.h"

namespace tavo_cli {

const char* const kLiveWindowTitle = "TAVO tracking";

namespace {

// While running, the window's events are handled once per frame and for no
// longer than needed; while paused the loop only waits for keys.
constexpr int kRunningWaitMilliseconds = 1;
constexpr int kPausedPollMilliseconds = 50;

}  // namespace

LiveView::LiveView() : window_(kLiveWindowTitle) {}

bool LiveView::frameTracked(int, const std::vector<TrackedTarget>&, const CvMat* annotated)
{
    window_.show(cv::cvarrToMat(annotated));
    int key = window_.waitKey(kRunningWaitMilliseconds);
    if (key == kKeySpace) {
        // Paused: the frame stays on screen until Space again, Escape or the
        // window closed.
        do
            key = window_.waitKey(kPausedPollMilliseconds);
        while (key != kKeySpace && key != kKeyEscape && window_.isOpen());
        if (key == kKeySpace)
            return true;
    }
    if (key == kKeyEscape || !window_.isOpen()) {
        stopped_ = true;
        return false;
    }
    return true;
}

}  // namespace tavo_cli
