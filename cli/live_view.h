#pragma once

// --show: the annotated frames in the window "TAVO tracking" while the run
// goes on.  Space pauses and resumes; Escape or closing the window ends the
// run after the frame on screen; so does a stop signal, paused or not.

#include "cli/frame_observer.h"
#include "cli/frame_window.h"
#include "tracker/tracking_session.h"

#include <future>

namespace tavo_cli {

extern const char* const kLiveWindowTitle;

class LiveView : public FrameObserver {
public:
    LiveView();  // opens the window; needs a display
    bool frameTracked(int frameNumber, const std::vector<TrackedTarget>& targets, const CvMat* annotated) override;
    bool needsDrawing() const override { return true; }
    // While a frame is being tracked: handles the window's events for a
    // moment; false once Escape is pressed or the window is closed.
    bool stillWanted();
    // Whether the user ended the run from the window.
    bool stopped() const { return stopped_; }
    // The frame being tracked on another thread while the window is kept
    // answering (invalid when none is).
    std::future<StepOutcome>& step() { return step_; }

private:
    // Handles the window's events while paused; the key that ended the
    // pause, -1 when Space resumed the run.
    int waitWhilePaused();

    FrameWindow window_;
    bool stopped_ = false;
    bool pauseAsked_ = false;  // Space pressed while a frame was tracked
    std::future<StepOutcome> step_;
};

}  // namespace tavo_cli
