#pragma once

// A model of a still camera's background, learnt from the frames
// themselves, and which pixels of the current frame differ from it
// (foreground).  It tells a moving object from a still patch of the same
// colours, which no colour histogram can.

#include "appearance/frame_brightness.h"
#include "appearance/revealed_background.h"

#include <opencv2/core.hpp>
#include <opencv2/core/types_c.h>

#include <climits>
#include <vector>

class WorkerPool;

struct BackgroundSettings {
    // Outside the held rectangles, background = (1 - rate) background +
    // rate frame each frame: it follows light changes and things that came
    // to rest, within about 1 / rate frames.
    double rate = 0.05;
    // A pixel is foreground when one of its channels differs from the
    // background by more than this (8-bit units): above sensor noise and
    // compression errors, below the contrast of most objects.
    int threshold = 30;
    // Before comparing, the background is scaled channel by channel by the
    // ratio of the frame's mean to its own, held pixels included: a light
    // change of the whole scene is not taken for motion.
    bool followLight = true;
    // A pixel unknown to the background that still looks as when it was
    // first seen is taken for the object that stood there on the first
    // frame and has not moved away: it counts as foreground in the ring
    // too (ringForegroundShare), so that a box smaller than a still object
    // leaves foreground around it.  Off, the ring ignores unknown pixels.
    bool ringCountsStillUnknown = false;
    // With ringCountsStillUnknown: the rule holds only while the session
    // says that some target still stands where it started
    // (setStillObjects): once every object has left its first place, the
    // unseen pixels that still look as then are the background its first
    // box took in, and would draw rings toward that place.
    bool stillRuleWhileStill = false;
    // With ringCountsStillUnknown and learnRevealed: the rule holds only
    // until every first box has been left by its object, by learnRevealed's
    // measure of a vacated box but counting the revealed pixels wherever
    // the targets are (see RevealedBackground::someBoxUnmoved): judged
    // from the image rather than from where the targets are, so that a
    // target held at its first place by the rule itself does not keep it
    // on.  Once the camera has moved, the judgement before the move stands.
    bool stillRuleWhileUnmoved = false;
    // Pixels unknown to the background (under the first boxes) that no
    // longer look as first seen and have stayed unchanged for a few frames
    // in a row are background the object has uncovered: they are learnt
    // even inside the held rectangles, and so is the rest of a first box
    // once its object has evidently left it (see RevealedBackground), so
    // that a target does not find foreground where its object no longer is.
    bool learnRevealed = false;
    // With learnRevealed: when the camera moves the background, the first
    // boxes and what was seen of them move with it, and both rules go on;
    // off, they are forgotten and the rules stop.
    bool revealedWithCamera = false;
    // Each frame the background is compared and learnt only within the
    // area prepare is given (the part of the frame the targets can reach):
    // the rest is learnt a band of rows a frame, each pixel once every
    // kRefreshFrames frames at the rate of that many frames, and holds no
    // foreground.  The background is then kept in its own light, the
    // light's gain applied as it is compared, so that a part of it can be
    // compared alone.  Off: the whole frame every frame.
    bool nearTargets = false;
};

class BackgroundModel {
public:
    // With nearTargets, a pixel outside the area compared is learnt once
    // in this many frames: the background still follows a scene that
    // changes away from the targets within a few seconds, for an eighth of
    // a whole pass's cost a frame.
    static constexpr int kRefreshFrames = 8;

    explicit BackgroundModel(const BackgroundSettings& settings = {}) : settings_(settings) {}

    // Finds the foreground of an 8-bit frame (three channels, or one), then learns the
    // frame's pixels outside `held` (rectangles of the frame where objects
    // are or may be: they would teach the background their own look).  On
    // the first frame, or one of another size, the background starts as
    // that frame, unknown inside `held`; unknown pixels count as foreground
    // until they are seen outside every held rectangle (or, with
    // learnRevealed, are seen to show the background the object uncovered).
    // With `workers`, bands of rows are compared on its threads, with the
    // same results.  With nearTargets, only the pixels in `near` (clipped
    // to the frame) are compared (see BackgroundSettings::nearTargets).
    void prepare(const CvMat* frame, const std::vector<CvRect>& held, WorkerPool* workers = nullptr,
                 CvRect near = cvRect(0, 0, INT_MAX, INT_MAX));

    // The share of foreground pixels in a rectangle of the frame (clipped
    // to it, and with nearTargets to the area compared last), in [0, 1]; 0
    // for a rectangle without pixels there.
    double foregroundShare(CvRect rect) const;
    // The learnt background, CV_32FC3 (empty before the first frame).
    const cv::Mat& background() const { return background_; }

    // The share of pixels in the ring `margin` pixels wide around a
    // rectangle (the parts of it inside the frame) that differ from a known
    // background; 0 when none is.  Unknown pixels do not count here
    // (unless ringCountsStillUnknown says so for those that still look as
    // first seen): they are where an object stood on the first frame, and
    // a slow object stays beside that place for a long time.
    double ringForegroundShare(CvRect rect, int margin) const;
    // Moves the learnt background with the camera: warps it by `transform`
    // (previous frame -> current); pixels that come into view from outside
    // are unknown again, and what learnRevealed saw is forgotten (its rules
    // stop).  Nothing before the first frame.  The foreground found last
    // stays as it was, until the next frame is prepared.
    void moveWith(const cv::Matx23d& transform);

    // 255 where the current frame is foreground, 0 elsewhere.
    const cv::Mat& foreground() const { return foreground_; }
    // Whether some object still stands where it stood on the first frame
    // (see BackgroundSettings::stillRuleWhileStill); for the frames prepared after.
    void setStillObjects(bool still) { stillObjects_ = still; }

private:
    // The pixels an integral counts in the rectangle clipped to the area
    // compared, and the clipped rectangle's area.
    int count(const cv::Mat& integral, CvRect rect, double& area) const;
    // Scales the background by the per-channel gain (or, with `inverse`,
    // compares it so scaled and learns it in its own light), finds the
    // foreground and its integrals within `area`, and learns the frame
    // where learn_ says, in one pass over the area's pixels.
    void compareAndLearn(const cv::Mat& image, const float* gain, const float* inverse, CvRect area,
                         WorkerPool* workers);
    // Whether unknown pixels that look as first seen count in the ring now.
    bool stillRuleHolds() const;
    // With nearTargets: learns this frame's band of rows outside the area compared.
    void refreshBand(const cv::Mat& image, const float* inverse);
    void learnOutside(const cv::Mat& image, cv::Rect part, const float* inverse);

    BackgroundSettings settings_;
    bool stillObjects_ = true;
    cv::Mat background_;  // CV_32FC3
    cv::Mat known_;       // CV_8U: 255 where the background has been seen
    cv::Mat foreground_;  // CV_8U
    // CV_32S, (rows + 1) x (cols + 1): counts of the pixels the ring counts
    // (known pixels that differ, and unknown ones that look as first seen
    // with ringCountsStillUnknown) ...
    cv::Mat integral_;
    cv::Mat unknownIntegral_;  // ... and of the other unknown pixels
    cv::Mat learn_;       // CV_8U: 255 where the frame's pixels are learnt (outside the held rectangles)
    std::vector<float> differences_;  // the pass's scratch rows, one per band
    ChannelMeans channelMeans_;       // the frame's, for the light's gain
    cv::Mat gray_;        // a one-channel frame as three channels
    cv::Mat warpedBackground_, warpedKnown_;  // moveWith's outputs, swapped with what they replace
    double backgroundSum_[3] = {0.0, 0.0, 0.0};  // per channel, after the last frame's learning or move
    // With nearTargets: the current light over the background kept in its
    // own light, per channel (the product of the frames' gains).
    float light_[3] = {1.0f, 1.0f, 1.0f};
    CvRect compared_ = cvRect(0, 0, 0, 0);  // the area whose foreground the integrals count
    long long frames_ = 0;                  // frames prepared, for the band refreshed
    RevealedBackground revealed_;  // with learnRevealed
};
