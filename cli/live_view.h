#pragma once

// --show: the annotated frames in the window "TAVO tracking" while the run
// goes on.  Space pauses and resumes; Escape or closing the window ends the
// run after the frame on screen.

#include "cli/frame_observer.h"
#include "cli/frame_window.h"

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

private:
    FrameWindow window_;
    bool stopped_ = false;
    bool pauseAsked_ = false;  // Space pressed while a frame was tracked
};

}  // namespace tavo_cli
