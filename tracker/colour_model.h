#pragma once

// Colour models made for real video, behind the appearance seam: banded,
// optionally centre-weighted histograms of either the hue plane or the
// frame's hue-saturation-brightness bins.

#include "support/banded_histogram.h"
#include "support/colour_binning.h"
#include "support/hue_histogram.h"
#include "tracker/appearance_model.h"

#include <vector>

enum class ColourSpace {
    Hue,  // OpenCV's 8-bit hue alone, one bin per value 0..178
    Hsv,  // hue x saturation bins for coloured pixels, brightness bins for the rest
};

struct ColourModelSettings {
    ColourSpace space = ColourSpace::Hue;
    ColourBinning binning;  // for Hsv
    bool kernel = false;
    int parts = 1;  // horizontal bands: 1, or 2 (upper and lower half)
    double sharpness = kLikelihoodSharpness;

    // Today's model, the targets' own hue histograms: hue, no kernel, one
    // part, the standard sharpness.
    bool isHueHistogram() const
    {
        return space == ColourSpace::Hue && !kernel && parts == 1 && sharpness == kLikelihoodSharpness;
    }
};

// The likelihood exp(-sharpness * sum over bands of max(0, 1 - BC_band)).
double bandedLikelihood(const double* reference, const double* candidate, const HistogramLayout& layout,
                        double sharpness);

// One target's model: its reference histograms and a working copy for the
// rectangle measured last, both sized once.
class BandedColourModel : public AppearanceModel {
public:
    // `plane` points at the source's current bin plane.
    BandedColourModel(const CvMat* const* plane, const HistogramLayout& layout, double sharpness);
    bool learn(CvRect rect) override;
    float measure(CvRect rect) override;
    double similarity(CvRect rect) override;
    void update(CvRect rect, double rate) override;

    const std::vector<double>& reference() const { return reference_; }

private:
    const CvMat* const* plane_;
    HistogramLayout layout_;
    double sharpness_;
    std::vector<double> reference_;
    std::vector<double> candidate_;
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
    std::unique_ptr<AppearanceModel> createModel() override;
    const HistogramLayout& layout() const { return layout_; }

private:
    ColourModelSettings settings_;
    HistogramLayout layout_;
    ColourBinner binner_;
    CvMat* bins_ = nullptr;         // the Hsv bins of the current frame
    const CvMat* plane_ = nullptr;  // what the models read: the hue plane or bins_
};
