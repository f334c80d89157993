#pragma once

// The second cue, for where colour cannot tell an object from its
// surroundings (a background that shares its colours, people dressed
// alike): the orientation of the frame's edges.  Each pixel of the frame's
// brightness gets one of kOrientationBins directions of its gradient (an
// edge's direction, its sign ignored: a dark-to-light edge and a
// light-to-dark one of the same line look alike as the light changes), or
// kFlatBin where the gradient is too weak to have a direction.  Histograms of
// this plane over the bands of a box (appearance/banded_histogram.h) are
// the histograms of oriented gradients of the multi-cue particle filters,
// read through the same bounded probes as the colours.

#include "support/worker_pool.h"

#include <opencv2/core/types_c.h>

#include <cstdint>

constexpr int kOrientationBins = 8;  // 22.5 degrees each, over 180
constexpr int kFlatBin = kOrientationBins;
constexpr int kEdgeBinCount = kOrientationBins + 1;
// |gx| + |gy| of the 3x3 Sobel gradient (at most 2040 on 8-bit brightness)
// below which a pixel counts as flat: a step of about 16 grey levels, above
// the sensor noise of real footage, well below the edge of an object.
constexpr int kEdgeStrength = 64;

// The bin of a gradient (gx, gy): kFlatBin when weak, else its direction
// modulo 180 degrees in steps of 22.5, in integer arithmetic so that every
// processor gives the same bin.
uint8_t orientationBin(int gx, int gy);

// The orientation plane of a frame, sized once.
class EdgeOrientations {
public:
    EdgeOrientations() = default;
    ~EdgeOrientations();
    EdgeOrientations(const EdgeOrientations&) = delete;
    EdgeOrientations& operator=(const EdgeOrientations&) = delete;

    // `hsv`: the frame in OpenCV's 8-bit HSV; its brightness (V) is read.
    // Rows split over `workers` (null: the calling thread), same result.
    void compute(const CvMat* hsv, WorkerPool* workers);
    // One byte per pixel, 0 .. kFlatBin; null before the first compute.
    const CvMat* plane() const { return plane_; }

private:
    void computeRows(const CvMat* hsv, int first, int end);
    CvMat* plane_ = nullptr;
};
