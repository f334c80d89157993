#pragma once

// One video's tracking, frame by frame: the entry point of the library.
//
//     std::string error;
//     auto session = TrackingSession::start(firstFrame, boxes, robustSettings(), 1, error);
//     if (!session) ... error says why
//     use(session->targets());            // frame 1, the first frame, tracked
//     while (video.read(frame)) {
//         if (session->step(frame) != StepOutcome::Tracked) break;
//         use(session->targets());        // frames 2, 3, ...
//     }
//
// The session owns everything the tracking needs: the settings, the
// preparation of every frame (copy, HSV, hue plane, colour bins,
// background), the tracker, its appearance models, their adaptation and
// the motion states.  Frames are 8-bit BGR images, upright, as a video
// gives them; all frames have the first one's size.

#include "support/box.h"
#include "core/frame_preparation.h"
#include "core/tick_source.h"
#include "session/target_states.h"
#include "motion/still_targets.h"
#include "core/tavo.h"
#include "settings/tracking_settings.h"

#include <opencv2/core.hpp>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// One target's state after a frame.  While a target is lost its box,
// centre and scale are those of its last good frame, and its velocity 0.
struct TrackedTarget {
    int id = 0;
    // The estimate's box: w = base width x scale_x, centred on (x, y); with
    // boxes fitted (BoxFitSettings) widened to the fit, (x, y) and the
    // scales then those of the widened box.
    RealBox box;
    float x = 0, y = 0;  // centre
    float velocityX = 0, velocityY = 0;  // pixels per frame
    float scaleX = 1, scaleY = 1;  // of the first box's size
    // 0 while the target is lost or its box lies wholly outside the frame;
    // otherwise, as TrackingSettings::confidence asks: the weighted mean
    // likelihood of its samples (0..1; 1 without robust motion, which alone
    // measures it), or the calibrated confidence (0..1; below
    // kTrustedConfidence the box should not be trusted).
    double confidence = 1.0;
    // What the calibrated confidence was computed from; the defaults unless
    // it was (likelihood confidence, lost or outside the frame).
    ConfidenceTerms terms;
    bool lost = false;
    bool inFrame = true;  // whether the box overlaps the frame at all
    // Tracked, hidden (believed behind something, the box coasting) or
    // lost (out of the frame or unseen for long), judged apart from the
    // confidence (see TargetStates); meaningful with or without robust
    // motion, and without any effect on the tracking.
    TargetState state = TargetState::Tracked;
};

// A target's box on the frame it joins on and, optionally, its id.
struct TargetStart {
    Box box;
    int id = 0;  // 0: numbered 1, 2, 3, ... in order, after the highest id given
    // The session's frame (1: the first) whose picture the box is on.  A
    // target of a later frame is learnt once that frame is tracked, and is
    // among targets() from then on, with the box as that frame's result.
    int frame = 1;
};

// The steps of one tracking cycle and of the drawing, exchangeable so that
// tests and the benchmark can run their literal versions in the same loop.
struct CycleSteps {
    int (*track)(tavo&) = nullptr;  // null: tavo::track
    void (*draw)(tavo&, CvMat*) = nullptr;  // null: tavo::draw
};

enum class StepOutcome {
    Tracked,
    OtherFrameKind,  // the frame's size or type differs from the first frame's: nothing changed
    BrokenDown,      // an estimate is not finite: error() says which
    Interrupted,     // the stop flag was set during the step: the session cannot go on
};

class TrackingSession {
public:
    // Learns every target of the first frame and tracks that frame (the
    // targets of later frames join when those are tracked); nullptr with
    // `error` set for settings out of range, no target on the first frame,
    // a box that lies outside the frame, ids given twice, a store that
    // cannot be had, or a stop asked for by `stop` (see setStopFlag) while
    // the first frame was tracked.  The same seed repeats a run exactly.
    static std::unique_ptr<TrackingSession> start(const cv::Mat& firstFrame, const std::vector<TargetStart>& targets,
                                                  const TrackingSettings& settings, int64_t seed, std::string& error,
                                                  CycleSteps steps = {}, const std::atomic<bool>* stop = nullptr);
    // The boxes' targets numbered 1, 2, 3, ... in order.
    static std::unique_ptr<TrackingSession> start(const cv::Mat& firstFrame, const std::vector<Box>& boxes,
                                                  const TrackingSettings& settings, int64_t seed, std::string& error,
                                                  CycleSteps steps = {});
    ~TrackingSession();
    TrackingSession(const TrackingSession&) = delete;
    TrackingSession& operator=(const TrackingSession&) = delete;

    // Tracks the next frame.  Allocates nothing once the first frames are past.
    StepOutcome step(const cv::Mat& frame);

    // Every target that has joined, after the last frame tracked: those of
    // the first frame in the order of start, then the later ones as they
    // joined.
    const std::vector<TrackedTarget>& targets() const { return results_; }
    // Changing the targets while a video runs, between steps.  Each acts on
    // the last frame tracked and updates targets() at once; a session that
    // never calls them tracks exactly as before.
    //
    // Learns a target at `box` on the last frame tracked, exactly as a
    // TargetStart of this frame would have; id 0 numbers it after the
    // highest id the session has used.  Its samples take the first free
    // block of the store (one a removed target left, or after the last).
    // Returns the id, or 0 with `error` set: a box without area or wholly
    // outside the frame, an id that is negative or taken (also by a target
    // still to join), or a store without room (its limit named).
    int addTarget(const Box& box, int id, std::string& error);
    // Drops target `id`: its samples' block is free for a later target;
    // the others go on.  False with `error` set for an unknown id.
    bool removeTarget(int id, std::string& error);
    // Relearns target `id`'s appearance at `box` on the last frame tracked
    // and starts its samples and motion there again, keeping its id and
    // its place among targets().  False with `error` set for an unknown id
    // or a box that cannot be tracked.
    bool reinitTarget(int id, const Box& box, std::string& error);

    // The frames tracked so far: 1 after start.
    int frameNumber() const { return frameNumber_; }
    // The last frame, as prepared (upright, nothing drawn into it).
    const cv::Mat& frame() const { return frameView_; }
    // Draws the samples, estimates, neighbour links and labels into an
    // 8-bit BGR image of the frame's size (e.g. a copy of frame()).
    void draw(cv::Mat& image);

    // A flag that, once set (from another thread or a signal handler),
    // ends the step under way within a fraction of a second (not owned;
    // null: none).  The interrupted frame's results are not kept.
    void setStopFlag(const std::atomic<bool>* flag) { tracker_->stopFlag = flag; }
    // Times each step's stages into `times` (not owned; null: none).  The
    // caller starts and ends the frames (StageTimes::startFrame, endFrame).
    void setStageTimes(StageTimes* times) { tracker_->stageTimes = times; }
    StageTimes* stageTimes() const { return tracker_->stageTimes; }

    const TrackingSettings& settings() const { return settings_; }
    int64_t seed() const { return seed_; }
    // Why the last step broke down.
    const std::string& error() const { return error_; }

    // The tracker itself, for tests that compare its every sample.
    const tavo& tracker() const { return *tracker_; }
    tavo& tracker() { return *tracker_; }

private:
    TrackingSession(const TrackingSettings& settings, int64_t seed, CycleSteps steps);
    bool setUp(const cv::Mat& firstFrame, const std::vector<TargetStart>& targets, const std::atomic<bool>* stop,
               std::string& error);
    bool prepare(const cv::Mat& frame);
    // Moves the targets (and the background) with the camera, when it moves.
    void followCamera();
    // The frame's colours and background for the colour models, near the
    // targets alone where the settings say so.
    void prepareColours();
    // Converts and bins the surroundings of a box that a target is learnt
    // from, when the frame's colours were prepared near the targets alone.
    void prepareAround(const Box& box);
    // Tracks the prepared frame; false with error_ set when it broke down.
    bool trackPrepared();
    // Learns the targets that join on the frame just tracked; false with
    // error_ set when memory ran out.
    bool joinLaterTargets();
    // Learns a target from the prepared frame; false with `error` set.
    bool addTarget(const TargetStart& start, std::string& error);
    // Adds the fitted boxes, grown, to the areas the background does not
    // learn: an object reaches beyond its estimate's box when it turns.
    void holdFittedBoxes();
    // Fits every target's reported box to its colours (see BoxFitter).
    void fitBoxes();
    // Tells the background whether some target still stands where it started.
    void judgeStillTargets();
    void collectResults();
    // Judges every target's state after a frame (see TargetStates).
    void judgeStates();
    // The index of target `id` in the tracker; -1 with `error` set when it
    // has none.
    int indexOf(int id, std::string& error) const;
    // Why the box cannot be learnt on the last frame; empty when it can.
    std::string boxRefusal(int id, const Box& box) const;
    // Target `index`'s result with its fitted box: the estimate's box
    // widened to the fit, or while it is lost the box of its last good frame.
    void reportFit(size_t index, const Target& t, TrackedTarget& r);
    // Target `index`'s confidence while it is in the frame and not lost, as
    // the settings ask for it (see ConfidenceSettings).
    // The calibrated one's terms go into `r`, whose box is the reported one.
    double confidenceOf(size_t index, const Target& t, TrackedTarget& r);

    // Declared in the order they are built: the models read the frame
    // images and the colour source, the tracker holds the models.
    TrackingSettings settings_;
    int64_t seed_;
    CycleSteps steps_;
    CountingTickSource ticks_;
    FrameImages images_;
    cv::Mat frameView_;
    std::unique_ptr<ColourModelSource> colours_;
    std::unique_ptr<tavo> tracker_;
    std::unique_ptr<CameraFollower> camera_;  // null for a still camera
    std::unique_ptr<BoxFitter> fitter_;       // null unless boxes are fitted
    StillTargets stillTargets_;               // for BackgroundSettings::stillRuleWhileStill
    // With fitter_: each target's box of its last good frame, its corner
    // relative to the last good position.
    std::vector<RealBox> goodBoxes_;
    std::vector<ConfidenceHistory> confidenceHistory_;  // by the tracker's order of targets
    std::vector<CvRect> areas_;
    std::vector<cv::Rect> heldAreas_;  // areas_ for the camera's estimate
    std::vector<TrackedTarget> results_;
    TargetStates states_;
    std::vector<RealBox> judgedBoxes_;       // results' boxes, for states_
    int highestId_ = 0;                      // the highest id used so far
    std::vector<int> ids_;                   // of the tracker's targets, in its order
    std::vector<TargetStart> laterTargets_;  // ids assigned, in the order they join
    size_t nextLater_ = 0;
    int frameNumber_ = 0;
    std::string error_;
};

// The box a target's estimate stands for: base size times scale, centred
// on the estimate's position, in real numbers (the drawing outlines whole
// pixels by its own rule).
RealBox estimateBox(const Sample& estimate, float baseWidth, float baseHeight);

// "pos_x X, pos_y Y, vel_x ..., scale_y S" with %.9g, for messages.
std::string estimateText(const Sample& estimate);
