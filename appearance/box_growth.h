#pragma once

// How far a fitted box may widen a target's box: no further than what
// moves and the target's own recent sizes support.  The patch of a
// target's colours can leak along a strip of like colours in the
// background (a fence, a shadow, a floor of the object's hue) and report a
// box that grows by half in one frame; an object that comes closer grows
// by a few per cent a frame, and what it covers beyond the filter's box
// differs from the learnt background.

#include "support/box.h"

#include <opencv2/core.hpp>

#include <deque>
#include <vector>

// The sizes of this many recent reported boxes make a target's history.
constexpr int kGrowthHistory = 15;
// A side of the reported box may grow by at most this factor from one
// frame to the next (an object closing in fast grows by 5 to 10 per cent).
constexpr double kMostGrowthPerFrame = 1.2;
// ... and to at most this factor times the median of its recent sizes:
// growth must be sustained frame after frame to go further.
constexpr double kMostOverMedian = 1.6;
// With a learnt background: the part of the widened box outside the
// estimate's box must hold at least this share of foreground pixels.  A
// fitted object fills a good part of it; a leak along a thin strip of like
// colours covers its box sparsely, and mostly with still pixels.
constexpr double kLeastForegroundBeyond = 0.3;

class BoxGrowthGuard {
public:
    // Starts target `index`'s history with its first box.
    void start(size_t index, const RealBox& first);
    // Whether the fitted box may widen the estimate's box this frame (the
    // estimate's own size is never held against it).  `foreground`: 255
    // where the frame differs from the learnt background; null without one.
    bool allows(size_t index, const RealBox& estimate, const RealBox& fitted, const cv::Mat* foreground) const;
    // Adds the box reported this frame to target `index`'s history.
    void record(size_t index, const RealBox& reported);
    // Drops target `index` (a removed target): those after it move down one.
    void drop(size_t index);

private:
    struct History {
        std::deque<double> widths, heights;
    };
    std::vector<History> histories_;
};
