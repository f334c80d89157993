#pragma once

// The tracking drawn for people watching a video: each target's box in its
// own colour (targetColour), 2 pixels thick, with its id and, when the
// session measures it, its confidence on a label filled with that colour;
// the path of its centre over the last frames; a lost target's box dashed
// where it was last seen.  With samples, each target's samples lie faintly
// under the boxes.
//
//     BoxDrawing drawing;
//     ... after every frame tracked:
//     session.frame().copyTo(image);
//     drawing.draw(session, image);
//
// The drawing remembers the trails, so one drawing follows one session and
// is given every frame (drawn or not: follow).  It allocates nothing per
// frame after the first.

#include "rendering/target_trails.h"
#include "session/tracking_session.h"

#include <opencv2/core.hpp>

class BoxDrawing {
public:
    // Adds the session's last frame to the trails, once: for the frames
    // tracked but not drawn.
    void follow(const TrackingSession& session) { trails_.add(session.frameNumber(), session.targets()); }
    // Draws the session's last frame into `image`, 8-bit BGR of the frame's
    // size (e.g. a copy of session.frame()), over its samples when
    // `withSamples`; follows the frame first.
    void draw(const TrackingSession& session, cv::Mat& image, bool withSamples = false);
    // The same without the samples, for targets of any source: frame
    // `frameNumber`'s targets, always in the same order; the confidence is
    // labelled when `withConfidence`.
    void drawTargets(int frameNumber, const std::vector<TrackedTarget>& targets, bool withConfidence,
                     cv::Mat& image);
    // With states shown, each box is drawn by its target's state: solid
    // tracked, dashed hidden, dotted lost, and the label names a state
    // other than tracked.  Off by default: a lost target's box dashed.
    void showStates(bool on) { states_ = on; }

private:
    void drawSamples(const tavo& tracker, cv::Mat& image);

    TargetTrails trails_;
    cv::Mat samplesLayer_;
    bool states_ = false;
};
