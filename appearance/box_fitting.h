#pragma once

// Boxes fitted to what the target's colours cover: the upright box of the
// connected patch of the frame's pixels that have the target's colours
// (and, with a learnt background, differ from it) and touch its estimate's
// box.  A particle filter's box keeps its own shape and settles inside a
// turned or lying object, where its colours match best; the patch itself
// shows how far the object reaches, whichever way it turns.

#include "appearance/box_growth.h"
#include "support/box.h"

#include <opencv2/core.hpp>

#include <array>
#include <cstdint>
#include <vector>

struct BoxFitSettings {
    // Whether results report the estimate's box widened to the fitted one.
    bool enabled = false;
    // Whether the widening is held to what moves and to the target's recent
    // sizes (BoxGrowthGuard).
    bool guardGrowth = false;
    // Whether a remembered join ends as soon as the patch shows the object
    // alone beside the estimate's box (kApartMostSide, kApartLeastOffset).
    bool endJoinApart = false;
};

// The target's colours are the bins of at least kObjectBinLeast of its first
// box's pixels whose share there is over kObjectBinContrast times their
// share in a ring kObjectRingShare of the box's size wide around it: the
// object's own shades, noise and compression included, and not the
// background (nor a hand or a neighbour) that the box takes in, which the
// ring shows too.
constexpr double kObjectBinLeast = 0.01;
constexpr double kObjectBinContrast = 2.0;
constexpr double kObjectRingShare = 0.5;
// The patch is searched within this many times the larger side of the
// target's box (the estimate's or its first box, whichever is larger) from
// the estimate's centre: a bottle lying flat reaches its full length from
// its centre, whatever box the filter holds.  A patch that reaches the
// window's edge (not the frame's) goes on beyond it: something is joined.
constexpr double kFitReach = 1.0;
// A patch whose pixel count falls outside these shares of the target's
// typical count (a running mean of the accepted patches) is something else:
// a look-alike joined to the object (larger) or a part of it hidden or
// cut off (smaller); the estimate's own box is reported then.  Turning
// keeps an object's pixel count.
constexpr double kFitLeastCount = 0.6;
constexpr double kFitMostCount = 1.5;
// Two look-alikes that cross overlap so much for a few frames that their
// patch is of one object's count: a join is taken to last this many frames
// after the last patch that showed it (no box is fitted meanwhile).
constexpr int kJoinMemory = 8;
// How fast the typical count follows accepted patches: an object that
// comes closer grows a few per cent a frame at most.
constexpr double kFitCountRate = 0.1;
// A join is remembered for kJoinMemory frames because two look-alikes that
// cross show a patch of one object's count.  Their patch covers both, so
// the estimate, on either, lies within it; an object that a hand held and
// pushed away shows a patch of its own count and size apart from the
// estimate, which stayed where the join was.  With endJoinApart the memory
// ends on such a patch: its box is at most kApartMostSide times the
// estimate's box in either side (two look-alikes of the object's size
// whose patch is that small overlap so far that its centre lies within
// (kApartMostSide - 1) / 2 of a side from either), and its centre lies
// over kApartLeastOffset of the estimate's side from the estimate's centre
// (twice what such a pair can show).
constexpr double kApartMostSide = 1.25;
constexpr double kApartLeastOffset = 0.25;

// The pixels a fit searches: kFitReach times the larger side of either box
// around the estimate's centre, clipped to the frame.
cv::Rect fitWindow(const RealBox& estimate, const RealBox& firstBox, const cv::Size& frame);

class BoxFitter {
public:
    // `guardGrowth`: a fitted box that widens the estimate's box beyond what
    // BoxGrowthGuard allows is not held.
    explicit BoxFitter(bool guardGrowth = false) : BoxFitter(BoxFitSettings{true, guardGrowth, false}) {}
    // The settings' guardGrowth and endJoinApart (enabled is the caller's).
    explicit BoxFitter(const BoxFitSettings& settings)
        : guardGrowth_(settings.guardGrowth), endJoinApart_(settings.endJoinApart)
    {
    }
    // Learns target `index`'s colours and typical count from the patch
    // within its first box (`box`, on the frame it joins; the learnt
    // background knows none of the box yet, so the patch ends at its edges).
    // `bins`: the frame's 8-bit colour-bin plane; `foreground`: 255 where
    // the frame differs from the background, null without one.
    void learn(size_t index, const RealBox& box, const cv::Mat& bins, const cv::Mat* foreground);
    enum class Fit {
        Fitted,  // the patch is of the typical count: its box is held
        Joined,  // more (or lately more): something of the target's colours is joined to the object
        Parted,  // fewer: part of the object is hidden or cut off (or none seen)
        Leaked,  // of the typical count, but its box grows beyond what moves and the target's sizes support
    };
    // Fits target `index`'s box around its estimate's box; keeps the fitted
    // box when the patch is of the typical count, else forgets the fit.
    Fit fit(size_t index, const RealBox& estimate, const RealBox& firstBox, const cv::Mat& bins,
            const cv::Mat* foreground);
    // Forgets target `index`'s fit of this frame (a lost target).
    void forget(size_t index);
    // Drops target `index` (a removed target): those after it move down one.
    void drop(size_t index);
    // The box fitted last for target `index`; null when none is held.
    const RealBox* fitted(size_t index) const;
    // The same box as the whole pixels it covers (a fitted box has whole
    // pixel edges).
    const cv::Rect* fittedPixels(size_t index) const;

private:
    using BinSet = std::array<uint8_t, 256>;  // 1 for the object's bins
    struct Patch {
        int64_t count = 0;
        cv::Rect bounds;
        bool reachesOut = false;  // to an edge of the window inside the frame
    };
    struct TargetFit {
        BinSet objectBins{};
        double typicalCount = 0.0;
        int joinFramesLeft = 0;
        bool held = false;
        cv::Rect pixels;
        RealBox box;  // pixels, as a real box
    };
    // The patch of object pixels within `window` connected to those inside
    // `seeds` (both clipped to the frame).
    Patch findPatch(const BinSet& objectBins, cv::Rect seeds, cv::Rect window, const cv::Mat& bins,
                    const cv::Mat* foreground);
    TargetFit& state(size_t index);
    // fit() before the growth guard's history learns what is reported.
    Fit fitPatch(size_t index, const RealBox& estimate, const RealBox& firstBox, const cv::Mat& bins,
                 const cv::Mat* foreground);
    // Whether `patch`, of at least kFitLeastCount times `typicalCount`, is
    // the object alone apart from `estimate` (see kApartMostSide).
    static bool aloneApart(const Patch& patch, const RealBox& estimate, double typicalCount);
    // The estimate's box widened to the fitted one, as the results report it.
    static RealBox widened(const RealBox& estimate, const RealBox& fitted);

    std::vector<TargetFit> fits_;
    bool guardGrowth_;
    bool endJoinApart_;
    BoxGrowthGuard growth_;
    cv::Mat visited_;  // CV_8U, the frame's size: 1 where the search has been
    std::vector<cv::Point> stack_;
};
