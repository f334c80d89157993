#pragma once

// A tracker with a small, reproducible store for tests of the per-target
// steps: `perTarget` samples for each of up to `targetCount` targets,
// sampling tables of mask + 1 entries, pools seeded from a counting tick
// source.

#include "tracker/tavo.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <vector>

// Gives a sample the rectangle (x, y, w, h) in both of its forms.
inline void place(Sample& s, CvRect r)
{
    s.rect = r;
    s.region = Region::fromRect(r);
}

struct SmallTracker {
    CountingTickSource ticks{1};
    tavo tracker{ticks};

    SmallTracker(int perTarget, int targetCount, int mask)
    {
        EXPECT_EQ(1, tracker.configure(perTarget, targetCount, mask));
    }
    // A new target with its block and sampling table, no samples set.
    Target* add()
    {
        Target* t = tracker.createTarget(-1);
        if (t)
            t->prepareTable(tracker.tableMask, tracker.maxTargets);
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
