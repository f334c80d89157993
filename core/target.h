#pragma once

#include "core/hue_histogram.h"
#include "core/compact_sampling_table.h"
#include "core/rect_memo.h"
#include "appearance/appearance_model.h"
#include "motion/robust_motion.h"
#include "core/sample.h"

#include <opencv2/core/types_c.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

// The last id handed to a target; shared by every tracker of the process,
// whose sessions may run in parallel threads.
extern std::atomic<int32_t> nextTargetId;

// One object followed through the video: its estimate, its block of sample
// slots in the tracker's store, its colour model, its sampling table and its
// neighbours of the current frame.
struct Target {
    Sample estimate;
    int32_t id = 0;  // 0 or -1: no id assigned yet
    float baseWidth = 0.0f;
    float baseHeight = 0.0f;
    int32_t firstSample = 0;
    int32_t sampleCount = 0;
    int32_t reservedCount = 0;
    int32_t endSample = 0;
    HueHistogram reference;  // colour model learnt from the initial rectangle
    HueHistogram candidate;  // working histogram of the rectangle measured last
    // The target's appearance model when the tracker has a source of them;
    // null: the two hue histograms above are the model.
    std::unique_ptr<AppearanceModel> model;
    MotionState motion;  // used only by a tracker with MotionSettings
    // The full sampling table, for callers that index it directly; only
    // fillSamplingTable (literal/sampling_table.h) fills it.  The tracker's
    // joint move draws from drawTable, its compact form.
    Sample** samplingTable = nullptr;
    int32_t tableSize = 0;
    CompactSamplingTable drawTable;
    // Likelihoods of this frame's distinct rectangles while the target is
    // measured; outlines already drawn while it is drawn.
    RectMemo rectMemo;
    Sample* chosen = nullptr;
    std::vector<Target*> neighbours;  // not owning
    Region cloudBox;

    Target() = default;
    ~Target();
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;

    // Gives the target a zeroed sampling table of mask + 1 entries (kept if
    // it already has that size), room for `reserve` neighbours, and sizes
    // its compact table and rectangle memo for sampleCount samples.  False
    // when the table cannot be had (the target keeps what it had).
    bool prepareTable(int mask, int reserve);
    // Both histograms get n uniform bins.
    void initModels(int n);
    // Likelihood of rect of the plane against the reference (float).
    float measure(CvRect rect, const CvMat* plane);
    // Learns the reference from rect of the plane.
    bool setReference(CvRect rect, const CvMat* plane);
};
