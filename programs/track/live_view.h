#pragma once

// --show: the annotated frames in the window "TAVO tracking" while the run
// goes on, no faster than the video's frame rate (or as fast as they are
// tracked), the frame number and the state in a band below the frame.
// Space pauses and resumes; Escape or closing the window ends the run
// after the frame on screen; so does a stop signal, paused or not.  While
// paused, the mouse and keys change the targets (pause_editing.h), each
// change made at once between the frame on screen and the next.  At the
// end of the video the last frame stays until a key or the window is
// closed.

#include "programs/track/frame_observer.h"
#include "programs/track/frame_window.h"
#include "programs/track/pause_editing.h"
#include "session/tracking_session.h"

#include <chrono>
#include <optional>
#include <functional>
#include <future>
#include <string>
#include <vector>

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

// Makes a change asked for in the window on the frame on screen (setting
// its frame, and an added target's id); the reason when it cannot be made.
using EditMaker = std::function<std::string(TargetEdit&)>;

class LiveView : public FrameObserver {
public:
    // Opens the window (needs a display); while paused, the changes asked
    // for go to `makeEdit`.
    LiveView(const Playback& playback, EditMaker makeEdit);
    ~LiveView() override;
    LiveView(const LiveView&) = delete;
    LiveView& operator=(const LiveView&) = delete;
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
    // The paused frame with the changes drawn on it and the band saying
    // what the keys do or what became of the last change.
    void showPaused();
    void make(TargetEdit edit);
    static void onMouse(int event, int x, int y, int flags, void* view);

    Playback playback_;
    FrameWindow window_;
    bool stopped_ = false;
    bool pauseAsked_ = false;  // Space pressed while a frame was tracked
    std::future<StepOutcome> step_;
    int frameNumber_ = 0;  // the frame on screen
    cv::Mat shown_;        // it, as fitted to the window
    Clock::time_point nextDue_{};
    EditMaker makeEdit_;
    PauseEditing editing_;
    bool paused_ = false;
    bool redraw_ = false;  // the paused picture changed
    std::optional<TargetEdit> asked_;  // by the mouse, made once its event is handled
    const std::vector<TrackedTarget>* targets_ = nullptr;  // of the frame on screen
    std::vector<MadeEdit> made_;  // on the frame on screen
};

}  // namespace tavo_cli
