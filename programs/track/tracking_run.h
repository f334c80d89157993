#pragma once

// One run of tavo-track, as the steps runTracking takes in order: check
// the request, read the inputs, open the video, open the outputs, choose
// the targets, start the session, set up the observers, track the frames,
// finish.  Each step either lets the run go on or ends it with an exit
// status; what the steps make is kept here, where the next step finds it.

#include "inputs/video_source.h"
#include "programs/track/frame_exits.h"
#include "programs/track/live_view.h"
#include "programs/track/options.h"
#include "programs/track/outputs.h"
#include "programs/track/progress.h"
#include "programs/track/run.h"
#include "programs/track/run_inputs.h"
#include "programs/track/target_edits.h"
#include "programs/track/target_paths.h"
#include "programs/track/timing.h"
#include "evaluation/scoring.h"
#include "support/stage_times.h"
#include "session/tracking_session.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavo_cli {

using tavo_eval::Scorer;

// A window's display that goes away ends the run as a hangup would.
constexpr int kDisplayLostSignal = SIGHUP;

// How the frame loop ended: the exit status so far, and whether the result
// files hold whole, valid frames and are to be kept.
struct TrackingEnd {
    int status = kExitSuccess;
    bool keepResults = true;
    bool displayLost = false;  // the live window's display went away
};

class TrackingRun {
public:
    using Clock = std::chrono::steady_clock;
    // A step's verdict: nothing to go on, or the run's exit status.
    using Verdict = std::optional<int>;

    TrackingRun(const Options& options, std::FILE* out, std::FILE* err)
        : options_(options), out_(out), err_(err), editor_({}, 0, options.targetsFile)
    {
    }

    Verdict checkRequest();
    Verdict readInputs();
    Verdict openVideo();
    Verdict openOutputs();
    Verdict chooseTargets();
    Verdict startSession();
    Verdict watchFrames();
    // Tracks every frame and finishes the run; the exit status.
    int trackAndFinish();

private:
    // Writes, scores and shows every frame from the session's first on,
    // then tracks the next, until the video ends, --frames is reached, a
    // stop is requested (a signal, or an observer such as the live window)
    // or something fails.
    TrackingEnd trackFrames();
    TrackingEnd trackUntilEnd(Progress& progress);
    int finish(const TrackingEnd& end);
    // The editor's changes on the video's frame `frame`, its warnings printed.
    void applyEdits(int frame);
    // After the video's frame `frame` is written: the changes of
    // --apply-edits on it.
    void applyFileEdits(int frame);
    // A change asked for in the live window on the frame on screen; the
    // reason when it cannot be made.
    std::string makeLiveEdit(TargetEdit& edit);
    // A change made: printed as the line that repeats it, and written to
    // --edits.
    void recordEdit(const TargetEdit& edit);
    void printSummary(int& outFailure);

    void message(const std::string& text) const { std::fprintf(err_, "tavo-track: %s\n", text.c_str()); }
    void warning(const std::string& text) const { message("warning: " + text); }
    double framesPerSecond() const;
    // The video's last frame the run will track, as far as known in
    // advance (0: unknown).
    int plannedFrames() const;

    const Options& options_;
    std::FILE* out_;
    std::FILE* err_;
    RunInputs inputs_;
    std::unique_ptr<VideoSource> video_;
    Outputs outputs_;
    cv::Mat firstFrame_;  // the first frame tracked, cloned out of the capture
    std::vector<TargetStart> starts_;
    int64_t seed_ = 0;
    Clock::time_point firstStart_;
    double firstMs_ = 0.0;  // the time the session took to start
    std::unique_ptr<TrackingSession> session_;
    std::optional<Scorer> scorer_;
    TargetEditor editor_;  // --reinit-from-targets, --drop-lost, the changes made while paused or repeated
    std::vector<TargetEdit> fileEdits_;  // --apply-edits, until the editor takes them
    EditsWriter editsOut_;               // --edits
    FrameExits exits_;
    PathRecorder paths_;
    std::optional<LiveView> view_;
    std::vector<FrameObserver*> observers_;
    FrameTimes times_;
    StageTimes stages_;  // with --timings
};

}  // namespace tavo_cli
