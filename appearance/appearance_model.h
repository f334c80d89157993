#pragma once

// The seam between the tracking cycle and a target's appearance model.
// Without a model (tavo::appearance null) every target keeps its two hue
// histograms; with one, each new target gets its own model from the
// tracker's AppearanceSource, and the cycle measures every sample through
// it.

#include <opencv2/core/types_c.h>

#include <memory>

// The appearance of one target: a reference learnt from a rectangle of the
// current frame, and how well other rectangles of the frame match it.
// Rectangles lie inside the frame.
class AppearanceModel {
public:
    virtual ~AppearanceModel() = default;
    // Learns the reference from a rectangle; false when it has no pixels
    // the model can use (the reference is then empty and matches nothing).
    virtual bool learn(CvRect rect) = 0;
    // The likelihood of a rectangle, in [0, 1].
    virtual float measure(CvRect rect) = 0;
    // How similar a rectangle is to the reference: the Bhattacharyya
    // coefficient in [0, 1] (1: the same colours in the same shares).
    virtual double similarity(CvRect rect) = 0;
    // Moves the reference toward the rectangle's colours:
    // reference = (1 - rate) reference + rate rectangle.
    virtual void update(CvRect rect, double rate) = 0;
};

// Where the models of a tracker's targets come from; it also holds what
// they read of the current frame, prepared once per frame.
class AppearanceSource {
public:
    virtual ~AppearanceSource() = default;
    virtual std::unique_ptr<AppearanceModel> createModel() = 0;
    // Called once a frame after every target's samples are placed and
    // before any is measured: `bounds` holds every sample's rectangle, the
    // largest of whose sides is `largestSide`.  A source that prepared a
    // part of the frame alone prepares the rest the samples read.
    virtual void willMeasure(CvRect /*bounds*/, int /*largestSide*/) {}
};
