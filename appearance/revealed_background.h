#pragma once

// The background revealed where objects stood on the first frame.  The
// background model has never seen the pixels under a first box and holds
// them unlearnt while a target is near, so a target that stays where it
// started keeps them unknown (foreground) for ever.  Two rules learn them
// once the object has evidently left:
// - a pixel that changed at once from one frame to the next, no longer
//   looks as first seen, and has stayed the same for a few frames in a
//   row since, shows what was behind the object (an object standing still
//   still looks as first seen; one passing through changes from frame to
//   frame; one whose look drifts, as it turns or the camera zooms in,
//   never changes at once, while background appears at once as the
//   object's edge passes);
// - once such pixels cover a share of a first box within a few frames,
//   its object has moved away: the box's pixels that still look as first
//   seen are the background it took in around the object (goal, net,
//   bystanders), learnt too.  Only pixels revealed inside a target's own
//   rectangle count: a target that follows its object leaves the place
//   the object uncovered behind it, while one left where the object
//   started, held by the colours it took in, has it inside.  (Otherwise a
//   small plain object moving a pixel a frame reaches the share in 3
//   frames while most of it is still in its box, unchanged, and is
//   learnt.)

#include <opencv2/core.hpp>
#include <opencv2/core/types_c.h>

#include <vector>

class RevealedBackground {
public:
    // Frames in a row that an unknown pixel must differ from its first
    // look and stay unchanged before it is learnt: a moving object's
    // uniform patch rarely stays put that long, and the cyclists' clips
    // (16 frames) need their first boxes learnt within a few frames.
    static constexpr int kSteadyFrames = 3;
    // The share of a first box that must have been revealed within
    // kVacatingFrames frames before the rest of it, still as first seen, is
    // taken for background: an object that leaves uncovers its place at
    // once, while one that wobbles, or starts off slowly and still covers
    // most of its first box, uncovers a thin strip at a time.
    static constexpr double kVacatedShare = 0.15;
    static constexpr int kVacatingFrames = 5;

    // Starts again on a first frame (8-bit BGR): `firstBoxes` are where
    // the background is unknown.
    void start(const cv::Mat& image, const std::vector<CvRect>& firstBoxes);
    // Sets `learn` to 255 at the pixels unknown to the background (0 in
    // `known`) that either rule says are revealed.  `background` (CV_32FC3)
    // holds their first look, to be scaled by `gain`; a pixel differs by
    // more than `threshold` in some channel.  `held` are the targets'
    // areas: their rectangles, and their fitted boxes, each grown by
    // kTargetAreaGrowth on each side.
    // Before start, or after forget, nothing is marked until the next start.
    void mark(const cv::Mat& image, const cv::Mat& background, const float* gain, const cv::Mat& known,
              float threshold, const std::vector<CvRect>& held, cv::Mat& learn);
    // Forgets what was seen and the first boxes (the camera moved the
    // background under them); called too once every pixel is known.
    void forget();
    // Moves what was seen and the first boxes with the camera instead:
    // `transform` takes the frame before to this one (of `size`).  The
    // first boxes become the rectangles around their moved corners; pixels
    // that come from outside what was watched start unwatched (not steady,
    // not jumped).  A box moved wholly out of the frame is dropped.
    void moveWith(const cv::Matx23d& transform, cv::Size size);
    // Whether some first box has not yet been left by its object, by the
    // measure of the second rule but counting the pixels revealed anywhere
    // in it (kVacatedShare of it within kVacatingFrames frames), not only
    // inside a target: its object may still stand where it started.  After
    // forget, the answer of the frame before stands (the pixels under the
    // boxes can no longer be watched); false before start.
    bool someBoxUnmoved() const;

private:
    struct FirstBox {
        cv::Rect rect;       // clipped to the frame
        // Its pixels learnt by the steady rule inside a target's own
        // rectangle on each of the last kVacatingFrames frames, the oldest
        // overwritten first.
        int revealed[kVacatingFrames] = {};
        int next = 0;
        bool vacated = false;
        // The same counts, inside the targets or not, and whether they
        // have reached kVacatedShare (see someBoxUnmoved).
        int revealedAnywhere[kVacatingFrames] = {};
        bool moved = false;
    };

    // Row y's counts and jumps updated, its steady pixels marked, and
    // asFirstSeen_ written, within region_; returns its unknown pixels
    // there.
    int markRow(const cv::Mat& image, const cv::Mat& background, const float* gain, const cv::Mat& known,
                float threshold, int y, cv::Mat& learn);
    // The first boxes' counts of pixels revealed inside the targets' own
    // rectangles updated; the vacated ones' pixels that still look as
    // first seen marked.
    void markVacated(const std::vector<CvRect>& held, cv::Mat& learn);
    // inTarget_ set to 255 inside the targets' own rectangles, 0 elsewhere.
    void markTargets(const std::vector<CvRect>& held);
    // The pixels of `rect` that the steady rule learns on this frame: all
    // of them, and those inside a target's own rectangle.
    void countRevealed(const cv::Rect& rect, int& anywhere, int& inTargets) const;
    // Whether the counts of the last frames reach kVacatedShare of the box.
    static bool recentlyVacated(const FirstBox& box, const int (&revealed)[kVacatingFrames]);

    std::vector<FirstBox> firstBoxes_;
    bool unmovedWhenForgotten_ = false;  // someBoxUnmoved when the boxes were last forgotten
    // The first boxes' bounding rectangle: the only pixels ever unknown
    // between start and forget (a camera move calls forget).
    cv::Rect region_;
    cv::Mat previous_;      // region_ of the frame before, 8-bit BGR; empty before start and after forget()
    cv::Mat steadyFrames_;  // CV_8U: frames in a row each unknown pixel has shown revealed background
    cv::Mat asFirstSeen_;   // CV_8U: 255 where an unknown pixel looks as first seen
    cv::Mat jumped_;        // CV_8U: 255 where an unknown pixel has changed from one frame to the next
    cv::Mat inTarget_;      // CV_8U: 255 inside a target's own rectangle
    cv::Mat warped_;        // moveWith's output, swapped with what it replaces
};
