#pragma once

// Where a frame's time goes: each stage of a frame (reading it, preparing
// it, tracking it, writing its results) timed by laps of one clock, the
// frames' times kept for a table of medians and shares at the end of a run.
// The timing is optional: whoever wants it hands a StageTimes to the
// session (and the tracker); a null pointer times nothing.

#include <array>
#include <chrono>
#include <string>
#include <vector>

// The median of the values (the mean of the two middle ones for an even
// count); 0 for none.
double medianOf(std::vector<double> values);

enum class Stage {
    Decoding,       // reading the next frame from the video
    Conversion,     // copy, HSV, hue plane and colour bins
    Background,     // foreground against the learnt background
    CameraMotion,   // the camera's motion and moving the targets with it
    Measuring,      // resampling, noise, motion, measuring and sorting samples
    JointMove,      // the joint move of neighbouring targets
    Estimates,      // estimates, checks, adaptation and motion states
    BoxFitting,     // fitting the reported boxes to the targets' colours
    Outputs,        // results written, pictures drawn
    Count
};
constexpr int kStageCount = static_cast<int>(Stage::Count);

// The stage's name in the table: "decoding", "conversion and binning", ...
const char* stageName(Stage stage);

class StageTimes {
public:
    using Clock = std::chrono::steady_clock;

    // Starts a frame's laps: the time from here to the first lap counts
    // for that lap's stage.
    void startFrame();
    // The time since the last lap (or startFrame) counts for `stage`.
    // Nothing before startFrame.
    void lap(Stage stage);
    // Keeps the frame's times (when a frame was started) and waits for the
    // next startFrame.
    void endFrame();

    int frames() const { return static_cast<int>(total_.size()); }
    // The median of a stage's ms per frame, 0 before any frame.
    double medianMs(Stage stage) const;
    double medianFrameMs() const;
    // The stage's share of the time of every frame kept, in [0, 1].
    double share(Stage stage) const;
    // A table, one line per stage and one for the whole frame: the median
    // ms per frame and the share of the time.
    std::string table() const;

private:
    bool running_ = false;
    Clock::time_point last_;
    std::array<double, kStageCount> current_{};
    std::array<std::vector<double>, kStageCount> perStage_;
    std::vector<double> total_;
};

// A lap of `times` when there are times to keep.
inline void lap(StageTimes* times, Stage stage)
{
    if (times)
        times->lap(stage);
}
