#pragma once

// The frame-to-frame motion of a hand-held or panning camera: corners of
// the scene followed by optical flow from one frame to the next, and the
// similarity transform (rotation, uniform scale, translation) most of them
// agree on.  Corners on the tracked objects are left out, as objects move
// on their own.

#include "support/affine_point.h"

#include <opencv2/core.hpp>

#include <vector>

struct CameraMotionSettings {
    // Corners followed per frame: enough for a robust fit when a third of
    // them are lost or land on something moving, few enough to follow in
    // about a millisecond on the reduced copy the tracker estimates on.
    int maxCorners = 80;
    // goodFeaturesToTrack's qualityLevel: corners weaker than this share of
    // the strongest one are too flat to be followed to a fraction of a pixel.
    double cornerQuality = 0.01;
    // goodFeaturesToTrack's minDistance in pixels: corners spread over the
    // scene fix rotation and scale, a cluster on one patch does not.
    int cornerSpacing = 10;
    // RANSAC's reprojection threshold in pixels: optical flow follows a
    // corner to a few tenths of a pixel; parallax and the lens add about a
    // pixel at the frame's edges for a hand-held camera.
    double fitTolerance = 2.0;
    // Fewer corners agreeing on the fit: the step is not trusted (two fix a
    // similarity; a dozen agreeing by chance is most unlikely).
    int minInliers = 12;
    // Inliers / followed corners below this: the fit follows a minority,
    // perhaps something moving that was not excluded; not trusted.
    double minInlierShare = 0.5;
    // Whether the camera moves: a still camera's fit moves the frame's
    // corners by a few tenths of a pixel (sensor noise, compression); a
    // whole pixel per frame is motion the tracker's boxes would feel.
    double movingShift = 1.0;
    // The judgement is made over this many recent trusted steps, about
    // half a second of video: longer than a shake, shorter than a pan.
    int judgementFrames = 15;
    // Until judgementFrames trusted steps have been seen, judge on those
    // seen (once there are four) rather than count the others as still: a
    // clip that pans from its start is followed from its fifth frame, not
    // its eleventh.
    bool judgeEarly = false;
    // A camera that drifts: once the steps of the last judgementFrames
    // trusted estimates, added up, move the scene by more than this many
    // pixels, the camera is judged to move even though no single step
    // shifted by movingShift (a slow pan of a fraction of a pixel a frame,
    // which leaves nothing in place for long).  A step's share is the
    // median displacement of the inliers that lie away from every excluded
    // rectangle (see CameraMotion::driftStep).  0: off.
    double driftShift = 0.0;
    // Once judgementFrames trusted steps in a row have not shifted and the
    // camera is judged still, only every stillInterval-th frame is
    // estimated (1: every frame); a sparse step that shifts by more than
    // movingShift, or that cannot be trusted, brings back every frame.  A
    // step from a frame with fewer than minInliers corners (a plain scene)
    // counts as one that did not shift: no step there could tell.
    int stillInterval = 1;
};

// One frame's estimate: the similarity transform that maps the previous
// frame's pixel coordinates to the current one's.
struct CameraStep {
    cv::Matx23d transform = cv::Matx23d(1, 0, 0, 0, 1, 0);
    bool trusted = false;  // enough inliers, a sane fit (finite, scale near 1)
    int tracked = 0;       // corners followed by optical flow there and back
    int inliers = 0;       // of those, the ones the fit agrees with
    double shift = 0.0;    // largest displacement the transform gives a frame corner, px
};

class CameraMotion {
public:
    explicit CameraMotion(const CameraMotionSettings& settings = {});

    // `grey`: the current frame, 8-bit one channel.  `excluded`: rectangles
    // where tracked objects are or may be; corners inside them are not
    // used.  The first frame (or a frame of another size, which also
    // forgets the judgement) gives the identity, untrusted.  An untrusted
    // step's transform is the identity.
    const CameraStep& next(const cv::Mat& grey, const std::vector<cv::Rect>& excluded);
    // Whether the next frame is to be estimated (see stillInterval); when
    // not, skip() stands for it: the next estimate then spans the frames
    // skipped, from the last one estimated.
    bool wantsFrame() const { return !sparse() || skipped_ + 1 >= settings_.stillInterval; }
    void skip() { ++skipped_; }

    // Whether the camera is judged to move.  Of the last judgementFrames
    // trusted steps, m shifted more than movingShift (steps not yet seen
    // count as still ones; with judgeEarly they do not count, once four
    // have been seen): the judgement turns to moving when m reaches two
    // thirds of the steps counted, and back to still when m falls to a
    // third or fewer; in between it stays as it was, so that a camera near
    // the threshold does not flicker.  With driftShift, it is moving too
    // while those steps (once there are four) add up to a drift.
    // Untrusted steps leave it as it is.
    bool moving() const { return moving_; }
    const CameraStep& last() const { return step_; }

private:
    // Starts over on a new frame size: the judgement is forgotten.
    void restart(cv::Size size);
    // Follows corners_ from the previous pyramid into the current one and
    // back; keeps the pairs that return where they started and do not end
    // in an excluded rectangle.
    void followCorners(const std::vector<cv::Rect>& excluded);
    // Fits the similarity to the followed pairs and judges whether to trust it.
    void fitStep();
    // Takes the trusted step_ over `span` frames into the judgement of moving().
    void judge(int span);
    // The step's share of a drift: the median displacement, axis by axis,
    // of the inliers that ended away from the excluded rectangles (none
    // when fewer than minInliers did).  Corners at the edge of a tracked
    // object, whose flow window reaches into it, follow the object by a
    // few tenths of a pixel: within the fit's tolerance, they lean the fit
    // toward it, and over judgementFrames steps an object's walk adds up
    // to a drift.  The median of the others moves only with the camera.
    cv::Point2d driftStep();
    // Whether the trusted steps in the ring, added up, move the scene by
    // more than driftShift: a still camera's steps scatter around none and
    // do not add up; a pan's do.  (A displacement of the scene, not of the
    // frame's corners: a fit's rotation and scale errors move those most.)
    bool drifting() const;
    bool sparse() const { return settings_.stillInterval > 1 && !moving_ && stillRun_ >= settings_.judgementFrames; }
    // Finds the corners of the current frame outside the excluded rectangles.
    void findCorners(const cv::Mat& grey, const std::vector<cv::Rect>& excluded);

    CameraMotionSettings settings_;
    CameraStep step_;
    cv::Size size_;                          // of the previous frame; empty before the first
    std::vector<cv::Mat> previousPyramid_;   // optical-flow pyramid of the previous frame
    std::vector<cv::Mat> currentPyramid_;
    std::vector<cv::Point2f> corners_;       // found on the previous frame
    std::vector<cv::Point2f> forward_;       // where they are in the current frame
    std::vector<cv::Point2f> backward_;      // and back in the previous one
    std::vector<unsigned char> forwardFound_, backwardFound_;
    std::vector<float> flowErrors_;
    std::vector<cv::Point2f> from_, to_;     // the pairs kept for the fit
    // Per pair: 1 where it ended away from every excluded rectangle (see driftStep).
    std::vector<unsigned char> awayFlags_;
    std::vector<float> awayShiftsX_, awayShiftsY_;  // driftStep's scratch
    std::vector<unsigned char> inlierFlags_;
    cv::Mat mask_;                           // CV_8U: 255 where corners may be found
    std::vector<unsigned char> movedSteps_;  // ring of the last trusted steps: 1 where shifted
    std::vector<cv::Point2d> driftSteps_;    // the same steps: their shares of a drift (driftStep)
    int nextSlot_ = 0;
    int movedCount_ = 0;
    int seen_ = 0;  // trusted steps seen since the start, up to the ring's size
    bool moving_ = false;
    int stillRun_ = 0;  // steps in a row that did not shift (trusted, or from too few corners)
    int skipped_ = 0;   // frames skipped since the last estimate
};

// The transform's uniform scale factor (the length of its first column).
double scaleOf(const cv::Matx23d& transform);
