#pragma once

// Colour models made for real video, behind the appearance seam: banded,
// optionally centre-weighted histograms of either the hue plane or the
// frame's hue-saturation-brightness bins.

#include "appearance/background_model.h"
#include "appearance/banded_histogram.h"
#include "appearance/colour_binning.h"
#include "appearance/edge_orientation.h"
#include "appearance/frame_brightness.h"
#include "core/hue_histogram.h"
#include "appearance/appearance_model.h"

#include <vector>

enum class ColourSpace {
    Hue,  // OpenCV's 8-bit hue alone, one bin per value 0..178
    Hsv,  // hue x saturation bins for coloured pixels, brightness bins for the rest
};

// Parts chosen by each target's first box: two bands for an upright box
// (kUprightAspect times as tall as wide or more: a person's upper and lower
// clothes), else one.  A round or wide object's halves differ by shading
// that turns with it as it rolls or moves, so that two bands tell it less
// well than one; and its own motion tells it better than its colours (a ball
// thrown from a hand keeps the hand's colours in its first box), so that a
// one-band target of this choice weighs the foreground cue
// kOneBandForegroundGain times as much.  Measured on the generated scenes
// and the real clips (tools/real_clips): round objects gained, upright ones
// lose with a heavier foreground cue.
constexpr int kPartsByShape = 0;
constexpr double kUprightAspect = 1.5;
constexpr double kOneBandForegroundGain = 2.0;

struct ColourModelSettings {
    ColourSpace space = ColourSpace::Hue;
    ColourBinning binning;  // for Hsv
    // For Hsv: brightness scaled by the first frame's mean brightness over
    // the current frame's, so that a light change of the whole scene does
    // not move grey, black and white pixels to other bins.
    bool normaliseLight = false;
    bool kernel = false;
    // Horizontal bands: 1, 2 (upper and lower half), or kPartsByShape.
    int parts = 1;
    double sharpness = kLikelihoodSharpness;
    // Weight of the surround: a ring around each box (ringShare of its
    // size wide) that looks like the object lowers the likelihood by
    // exp(-sharpness * ringWeight * BC(object, ring)), so that a box smaller
    // than its object scores worse than one that fits.  0: off.
    double ringWeight = 0.0;
    double ringShare = 0.25;
    // Weight of the foreground cue, for a still camera: the likelihood is
    // lowered by exp(-sharpness * foregroundWeight * ((1 - f) + r)), f the
    // share of the box's pixels that differ from the learnt background, r
    // that share in the surrounding ring (ringShare of its size wide).  A
    // still look-alike of the object (f near 0) scores low, and so do boxes
    // too large or too small for what moves.  0: off.
    double foregroundWeight = 0.0;
    BackgroundSettings background;
    // Weight of the edge cue: the likelihood is lowered by exp(-sharpness *
    // edgeWeight * sum over bands of max(0, 1 - BC)) of the histograms of
    // the box's edge orientations (appearance/edge_orientation.h), upper and
    // lower half, learnt and adapted with the colours.  0: off.
    double edgeWeight = 0.0;

    // Today's model, the targets' own hue histograms: hue, no kernel, one
    // part, the standard sharpness.
    bool isHueHistogram() const
    {
        return space == ColourSpace::Hue && !normaliseLight && !kernel && parts == 1 && sharpness == kLikelihoodSharpness &&
               ringWeight == 0.0 && foregroundWeight == 0.0 && edgeWeight == 0.0;
    }
};

// The likelihood exp(-sharpness * sum over bands of max(0, 1 - BC_band)).
double bandedLikelihood(const double* reference, const double* candidate, const HistogramLayout& layout,
                        double sharpness);
// The same, bit for bit, from the candidate's occupied bins (one per band).
double bandedLikelihood(const double* reference, const double* candidate, const BinMask* candidateOccupied,
                        const HistogramLayout& layout, double sharpness);

// One target's model: its reference histograms and a working copy for the
// rectangle measured last, both sized once.
class BandedColourModel : public AppearanceModel {
public:
    // `plane` points at the source's current bin plane; `background`, when
    // given with a foreground weight above 0, is the source's background.
    // `layout.bands` kPartsByShape: each learn() chooses the bands by the box's shape.
    BandedColourModel(const CvMat* const* plane, const HistogramLayout& layout, double sharpness,
                      double ringWeight = 0.0, double ringShare = 0.25, const BackgroundModel* background = nullptr,
                      double foregroundWeight = 0.0);
    bool learn(CvRect rect) override;
    float measure(CvRect rect) override;
    double similarity(CvRect rect) override;
    void update(CvRect rect, double rate) override;
    // Adds the edge cue: `plane` points at the source's orientation plane.
    void useEdges(const CvMat* const* plane, double weight);

    const std::vector<double>& reference() const { return reference_; }
    int bands() const { return layout_.bands; }

private:
    const CvMat* const* plane_;
    HistogramLayout layout_;
    double sharpness_;
    double ringWeight_;
    double ringShare_;
    const BackgroundModel* background_;
    double foregroundWeight_;
    bool bandsByShape_;
    double setForegroundWeight_;  // before the one-band gain of bandsByShape_
    std::vector<double> reference_;
    std::vector<double> candidate_;
    // For the surround: the object's plain histogram and the ring's.
    std::vector<double> whole_;
    std::vector<double> ring_;
    BinMask candidateBins_[2];  // the candidate's occupied bins, per band
    BinMask ringBins_;
    // The edge cue's plane, weight and histograms (none without it).
    const CvMat* const* edgePlane_ = nullptr;
    double edgeWeight_ = 0.0;
    std::vector<double> edgeReference_;
    std::vector<double> edgeCandidate_;
    BinMask edgeBins_[2];
    int margin(CvRect rect) const;
};

// The models of every target of a tracker and the plane they read.  Call
// prepareFrame for every frame, the first included, before the tracker
// adds targets or tracks.
class ColourModelSource : public AppearanceSource {
public:
    explicit ColourModelSource(const ColourModelSettings& settings);
    ~ColourModelSource() override;
    ColourModelSource(const ColourModelSource&) = delete;
    ColourModelSource& operator=(const ColourModelSource&) = delete;

    // `hsv`: the frame in OpenCV's 8-bit HSV; `hue`: its hue plane.
    void prepareFrame(const CvMat* hsv, const CvMat* hue);
    // Whether the frame's colours may be prepared near the targets alone
    // (prepareFrameNear): with the background compared there
    // (BackgroundSettings::nearTargets), for the HSV bins without the edge
    // cue, which reads the whole frame.
    bool convertsNearTargets() const
    {
        return usesBackground() && settings_.background.nearTargets && settings_.space == ColourSpace::Hsv &&
               settings_.edgeWeight <= 0.0;
    }
    // prepareFrame for a part of the frame: `frame`, the upright 8-bit BGR
    // frame, is converted into `hsv` and binned within `area` alone (the
    // brightness that normaliseLight undoes is still the whole frame's);
    // the rest of `hsv` and of the bins keeps what an earlier frame left
    // there until ensureConverted adds it.  Both stay the caller's.
    void prepareFrameNear(const CvMat* frame, CvMat* hsv, CvRect area);
    // After prepareFrameNear: converts and bins the pixels of `rect`
    // (clipped to the frame) not yet converted, with the same results as
    // converting the whole frame.  Every rectangle measured, learnt or
    // searched goes through it first.
    void ensureConverted(CvRect rect);
    // Holds every sample's rectangle: with the rings around them (ringShare
    // of largestSide), they are converted before the samples are measured.
    void willMeasure(CvRect bounds, int largestSide) override;
    // With the foreground cue: the frame itself (8-bit BGR, before anything
    // is drawn into it) and the rectangles where the targets may be, whose
    // pixels the background does not learn, and the part of the frame the
    // targets can reach (compared alone with BackgroundSettings::nearTargets).
    // Call it for every frame after prepareFrame.
    void prepareBackground(const CvMat* frame, const std::vector<CvRect>& held,
                           CvRect near = cvRect(0, 0, INT_MAX, INT_MAX));
    bool usesBackground() const { return settings_.foregroundWeight > 0.0; }
    // Threads for the frame-wide work (binning, background) by bands of
    // rows, with the same results (not owned; null: the calling thread).
    void setWorkers(WorkerPool* workers) { workers_ = workers; }
    // Whether some target still stands where it started (see
    // BackgroundSettings::stillRuleWhileStill).
    void setStillObjects(bool still) { background_.setStillObjects(still); }
    // Moves the learnt background with the camera (previous frame to this one).
    void moveBackgroundWith(const cv::Matx23d& transform)
    {
        if (usesBackground())
            background_.moveWith(transform);
    }
    std::unique_ptr<AppearanceModel> createModel() override;
    const HistogramLayout& layout() const { return layout_; }
    // The current frame's plane the models read (hue or colour bins).
    const CvMat* binPlane() const { return plane_; }
    // 255 where the current frame differs from the background; null
    // without the foreground cue.
    const cv::Mat* foreground() const { return usesBackground() ? &background_.foreground() : nullptr; }
    // The share of foreground pixels in a rectangle of the frame (see
    // BackgroundModel::foregroundShare); negative without a background.
    double foregroundShare(CvRect rect) const { return usesBackground() ? background_.foregroundShare(rect) : -1.0; }

private:
    ColourModelSettings settings_;
    HistogramLayout layout_;
    ColourBinner binner_;
    BackgroundModel background_;
    EdgeOrientations edges_;
    const CvMat* edgePlane_ = nullptr;  // edges_'s plane once computed
    CvMat* bins_ = nullptr;         // the Hsv bins of the current frame
    double firstBrightness_ = 0.0;  // mean brightness of the first frame
    double valueGain_ = 1.0;        // the current frame's brightness gain
    // With prepareFrameNear: the frames it reads and writes and the
    // rectangle converted first (others may have been added).
    const CvMat* frame_ = nullptr;
    CvMat* hsv_ = nullptr;
    CvRect converted_ = cvRect(0, 0, 0, 0);
    double brightnessGain(double brightness);
    void convert(cv::Rect part);
    BrightnessMean brightness_;
    const CvMat* plane_ = nullptr;  // what the models read: the hue plane or bins_
    WorkerPool* workers_ = nullptr;
};
