#pragma once

// The tracker of the unit tests: reproducible, its pools seeded from a
// counting tick source that starts at `seed`, and sized either with a small
// store (configure) or like the demo (init).  Helpers add targets and set
// their samples.

#include "core/tavo.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <vector>

// Gives a sample the rectangle (x, y, w, h) in both of its forms.
inline void place(Sample& s, CvRect r)
{
    s.rect = r;
    s.region = Region::fromRect(r);
}

struct TestTracker {
    CountingTickSource ticks;
    tavo tracker{ticks};

    // `perTarget` samples for each of up to `targetCount` targets, sampling
    // tables of mask + 1 entries.
    TestTracker(int perTarget, int targetCount, int mask, int64_t seed = 1) : ticks(seed)
    {
        EXPECT_EQ(1, tracker.configure(perTarget, targetCount, mask));
    }
    // The demo's sizing: ten targets of `perTarget` samples, the frame size
    // of `plane`.
    TestTracker(CvMat* plane, int perTarget, int64_t seed = 1) : ticks(seed)
    {
        EXPECT_EQ(1, tracker.init(plane, perTarget));
    }

    // Tracks on `plane` (its hue plane and frame size) with noise of scale
    // `noise` on both axes.
    void trackOn(CvMat* plane, float noise)
    {
        tracker.frameWidth = static_cast<float>(plane->cols);
        tracker.frameHeight = static_cast<float>(plane->rows);
        tracker.huePlane = plane;
        tracker.noiseScaleX = tracker.noiseScaleY = noise;
    }

    // A new target with its block and sampling table, no samples set; its
    // base width and height are `base`.
    Target* add(float base = 0.0f)
    {
        Target* t = tracker.createTarget(-1);
        if (t) {
            t->prepareTable(tracker.tableMask, tracker.maxTargets);
            t->baseWidth = t->baseHeight = base;
        }
        return t;
    }
    Sample& sample(const Target* t, int i) { return tracker.samples[t->firstSample + i]; }

    // Sets the weights (and equal likelihoods) of a target's samples.
    void setWeights(const Target* t, const std::vector<float>& w)
    {
        for (int i = 0; i < t->sampleCount; ++i) {
            sample(t, i).weight = w[i];
            sample(t, i).likelihood = 1.0f;
            sample(t, i).vote = FLT_EPSILON;
        }
    }
    // Every sample of t at (x, y), scale 1, with the given weight.
    void placeAll(const Target* t, float x, float y, float weight)
    {
        for (int i = 0; i < t->sampleCount; ++i) {
            Sample& s = sample(t, i);
            s.posX = x;
            s.posY = y;
            s.scaleX = s.scaleY = 1;
            s.weight = weight;
        }
    }
    // Entries of the table the joint move draws from, as sample indices
    // within the target's block.
    std::vector<int> table(const Target* t)
    {
        std::vector<int> idx;
        for (int e = 0; e < t->tableSize; ++e)
            idx.push_back(static_cast<int>(t->drawTable.sampleAt(static_cast<uint32_t>(e)) -
                                           &tracker.samples[t->firstSample]));
        return idx;
    }
};
