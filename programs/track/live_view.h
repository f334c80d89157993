#pragma once

// --show: the annotated frames in the window "TAVO tracking" while the run
// goes on, no faster than the video's frame rate (or as fast as they are
// tracked), the frame number and the state in a band below the frame.
// Space pauses and resumes; Escape or closing the window ends the run
// after the frame on screen; so does a stop signal, paused or not.  At
// the end of the video the last frame stays until a key or the window is
// closed.

#include "programs/track/frame_observer.h"
#include "programs/track/frame_window.h"
#include "session/tracking_session.h"

#include <chrono>
#include <future>
#include <string>

namespace tavo_cli {

extern const char* const kLiveWindowTitle;

// How the run is played in the window.
struct Playback {
    cv::Size frame;                // the video's frame size
    int totalFrames = 0;           // the frames the run will track; 0: unknown
    double framesPerSecond = 25;   // the fastest the frames are shown
    bool asFastAsTracked = false;  // --show-speed max: each frame shown once tracked
};

// The band's text: "frame N/TOTAL" ("frame N" when the total is unknown),
// then the state ("paused", the end) when there is one.
std::string liveBandText(int frameNumber, int totalFrames, const std::string& state);

class LiveView : public FrameObserver {
public:
    explicit LiveView(const Playback& playback);  // opens the window; needs a display
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
    // After the run: keeps the last frame on screen, saying so, until a
    // key, the window closed or a stop signal.  Returns at once when the
    // run was stopped from the window.
    void waitAtEnd();

private:
    using Clock = std::chrono::steady_clock;

    // Handles the window's events until the next frame is due (the frame
    // rate's period after the last one shown).
    void waitForTurn();
    Clock::duration framePeriod() const;
    // Handles the window's events while paused; the key that ended the
    // pause, -1 when Space resumed the run.
    int waitWhilePaused();
    void showLast(const std::string& state);

    Playback playback_;
    FrameWindow window_;
    bool stopped_ = false;
    bool pauseAsked_ = false;  // Space pressed while a frame was tracked
    std::future<StepOutcome> step_;
    int frameNumber_ = 0;  // the frame on screen
    cv::Mat shown_;        // it, as fitted to the window
    Clock::time_point nextDue_{};
};

}  // namespace tavo_cli
