#include "appearance/colour_model.h"

#include <opencv2/core/core_c.h>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

double bandedLikelihood(const double* reference, const double* candidate, const HistogramLayout& layout,
                        double sharpness)
{
    double distance = 0.0;
    for (int band = 0; band < layout.bands; ++band) {
        const int first = band * layout.binCount;
        distance += std::max(0.0, 1.0 - bhattacharyya(reference + first, candidate + first, layout.binCount));
    }
    return std::exp(-sharpness * distance);
}

double bandedLikelihood(const double* reference, const double* candidate, const BinMask* candidateOccupied,
                        const HistogramLayout& layout, double sharpness)
{
    double distance = 0.0;
    for (int band = 0; band < layout.bands; ++band) {
        const int first = band * layout.binCount;
        distance += std::max(0.0, 1.0 - bhattacharyya(reference + first, candidate + first, candidateOccupied[band]));
    }
    return std::exp(-sharpness * distance);
}

BandedColourModel::BandedColourModel(const CvMat* const* plane, const HistogramLayout& layout, double sharpness,
                                     double ringWeight, double ringShare, const BackgroundModel* background,
                                     double foregroundWeight)
    : plane_(plane), layout_(layout), sharpness_(sharpness), ringWeight_(ringWeight), ringShare_(ringShare),
      background_(foregroundWeight > 0.0 ? background : nullptr), foregroundWeight_(foregroundWeight),
      bandsByShape_(layout.bands == kPartsByShape), setForegroundWeight_(foregroundWeight),
      reference_(layout.binCount * (layout.bands == kPartsByShape ? 2 : layout.bands)), candidate_(reference_.size()),
      whole_(ringWeight > 0 ? layout.binCount : 0), ring_(whole_.size())
{
    if (bandsByShape_)
        layout_.bands = 2;  // until the first box is learnt
}

namespace {

// The reference is learnt and followed from every pixel of the estimate's
// box, once a frame; the many samples are measured through probes.
constexpr int kEveryPixel = 1 << 30;

// The edge cue's histograms: every orientation and the flat pixels, in the
// box's upper and lower half (an upright object's edges differ between
// them; a round one's alike in both).
constexpr HistogramLayout kEdgeLayout{kEdgeBinCount, 2, false};

// Moves each band of `reference` toward `candidate` by `rate`; a band of the
// candidate without counted pixels has nothing to teach.
void adaptBands(double* reference, const double* candidate, const HistogramLayout& layout, double rate)
{
    for (int band = 0; band < layout.bands; ++band) {
        double* ref = reference + band * layout.binCount;
        const double* cand = candidate + band * layout.binCount;
        if (std::all_of(cand, cand + layout.binCount, [](double v) { return v == 0.0; }))
            continue;
        for (int i = 0; i < layout.binCount; ++i)
            ref[i] = (1.0 - rate) * ref[i] + rate * cand[i];
    }
}

}  // namespace

int BandedColourModel::margin(CvRect rect) const
{
    return std::max(1, static_cast<int>(std::lround(ringShare_ * std::max(rect.width, rect.height))));
}

bool BandedColourModel::learn(CvRect rect)
{
    if (bandsByShape_) {
        const bool upright = rect.height >= kUprightAspect * rect.width;
        layout_.bands = upright ? 2 : 1;
        foregroundWeight_ = upright ? setForegroundWeight_ : kOneBandForegroundGain * setForegroundWeight_;
    }
    if (ringWeight_ > 0.0)
        bandedHistogram(*plane_, rect, HistogramLayout{layout_.binCount, 1, false}, whole_.data(), kEveryPixel);
    bandedHistogram(*plane_, rect, layout_, reference_.data(), kEveryPixel);
    if (edgePlane_)
        bandedHistogram(*edgePlane_, rect, kEdgeLayout, edgeReference_.data(), kEveryPixel);
    return std::any_of(reference_.begin(), reference_.begin() + layout_.size(), [](double v) { return v > 0.0; });
}

float BandedColourModel::measure(CvRect rect)
{
    bandedHistogram(*plane_, rect, layout_, candidate_.data(), kProbesPerSide, candidateBins_);
    double likelihood = bandedLikelihood(reference_.data(), candidate_.data(), candidateBins_, layout_, sharpness_);
    if (ringWeight_ > 0.0) {
        ringHistogram(*plane_, rect, margin(rect), layout_.binCount, ring_.data(), &ringBins_);
        likelihood *= std::exp(-sharpness_ * ringWeight_ * bhattacharyya(whole_.data(), ring_.data(), ringBins_));
    }
    if (background_) {
        // The box should hold what moves, and its surround should not: a
        // box too large takes in background, one too small leaves moving
        // pixels around it.
        const double missing = 1.0 - background_->foregroundShare(rect);
        const double around = background_->ringForegroundShare(rect, margin(rect));
        likelihood *= std::exp(-sharpness_ * foregroundWeight_ * (missing + around));
    }
    if (edgePlane_) {
        bandedHistogram(*edgePlane_, rect, kEdgeLayout, edgeCandidate_.data(), kProbesPerSide, edgeBins_);
        likelihood *= bandedLikelihood(edgeReference_.data(), edgeCandidate_.data(), edgeBins_, kEdgeLayout,
                                       sharpness_ * edgeWeight_);
    }
    return static_cast<float>(likelihood);
}

double BandedColourModel::similarity(CvRect rect)
{
    bandedHistogram(*plane_, rect, layout_, candidate_.data(), kEveryPixel);
    double sum = 0.0;
    for (int band = 0; band < layout_.bands; ++band) {
        const int first = band * layout_.binCount;
        sum += bhattacharyya(reference_.data() + first, candidate_.data() + first, layout_.binCount);
    }
    return std::min(1.0, sum / layout_.bands);
}

void BandedColourModel::update(CvRect rect, double rate)
{
    if (ringWeight_ > 0.0) {
        bandedHistogram(*plane_, rect, HistogramLayout{layout_.binCount, 1, false}, ring_.data(), kEveryPixel);
        if (std::any_of(ring_.begin(), ring_.end(), [](double v) { return v > 0.0; }))
            for (size_t i = 0; i < whole_.size(); ++i)
                whole_[i] = (1.0 - rate) * whole_[i] + rate * ring_[i];
    }
    bandedHistogram(*plane_, rect, layout_, candidate_.data(), kEveryPixel);
    adaptBands(reference_.data(), candidate_.data(), layout_, rate);
    if (edgePlane_) {
        bandedHistogram(*edgePlane_, rect, kEdgeLayout, edgeCandidate_.data(), kEveryPixel);
        adaptBands(edgeReference_.data(), edgeCandidate_.data(), kEdgeLayout, rate);
    }
}

void BandedColourModel::useEdges(const CvMat* const* plane, double weight)
{
    edgePlane_ = plane;
    edgeWeight_ = weight;
    edgeReference_.assign(kEdgeLayout.size(), 0.0);
    edgeCandidate_.assign(kEdgeLayout.size(), 0.0);
}

ColourModelSource::ColourModelSource(const ColourModelSettings& settings)
    : settings_(settings), binner_(settings.binning), background_(settings.background)
{
    layout_.binCount = settings.space == ColourSpace::Hsv ? settings.binning.binCount() : kHueBinCount;
    layout_.bands = settings.parts;  // kPartsByShape: each model chooses by its first box
    layout_.kernel = settings.kernel;
}

ColourModelSource::~ColourModelSource() { cvReleaseMat(&bins_); }

void ColourModelSource::prepareFrame(const CvMat* hsv, const CvMat* hue)
{
    if (settings_.edgeWeight > 0.0) {
        edges_.compute(hsv, workers_);
        edgePlane_ = edges_.plane();
    }
    hsv_ = nullptr;  // the whole frame is converted
    if (settings_.space == ColourSpace::Hue) {
        plane_ = hue;
        return;
    }
    if (!bins_ || bins_->rows != hsv->rows || bins_->cols != hsv->cols) {
        cvReleaseMat(&bins_);
        bins_ = cvCreateMat(hsv->rows, hsv->cols, CV_8UC1);
    }
    double gain = 1.0;
    if (settings_.normaliseLight)
        gain = brightnessGain(brightness_.of(cv::cvarrToMat(hsv), workers_));
    binner_.binPlane(hsv, bins_, gain, workers_);
    plane_ = bins_;
}

double ColourModelSource::brightnessGain(double brightness)
{
    if (firstBrightness_ == 0.0)
        firstBrightness_ = brightness;
    return brightness > 0.0 ? firstBrightness_ / brightness : 1.0;
}

void ColourModelSource::prepareFrameNear(const CvMat* frame, CvMat* hsv, CvRect area)
{
    if (!bins_ || bins_->rows != hsv->rows || bins_->cols != hsv->cols) {
        cvReleaseMat(&bins_);
        bins_ = cvCreateMat(hsv->rows, hsv->cols, CV_8UC1);
    }
    valueGain_ = settings_.normaliseLight ? brightnessGain(brightness_.ofBgr(cv::cvarrToMat(frame), workers_)) : 1.0;
    frame_ = frame;
    hsv_ = hsv;
    const cv::Rect part = cv::Rect(area.x, area.y, area.width, area.height) & cv::Rect(0, 0, hsv->cols, hsv->rows);
    converted_ = cvRect(part.x, part.y, part.width, part.height);
    convert(part);
    plane_ = bins_;
}

void ColourModelSource::ensureConverted(CvRect rect)
{
    if (!hsv_)
        return;
    const cv::Rect frame(0, 0, hsv_->cols, hsv_->rows);
    const cv::Rect wanted = cv::Rect(rect.x, rect.y, rect.width, rect.height) & frame;
    const cv::Rect done(converted_.x, converted_.y, converted_.width, converted_.height);
    if (wanted.empty() || (wanted & done) == wanted)
        return;
    // `wanted` less `done`: the rows above and below it, and the parts of
    // its rows left and right of it.
    const int top = std::clamp(done.y, wanted.y, wanted.br().y), bottom = std::clamp(done.br().y, top, wanted.br().y);
    const int left = std::clamp(done.x, wanted.x, wanted.br().x), right = std::clamp(done.br().x, left, wanted.br().x);
    convert(cv::Rect(wanted.x, wanted.y, wanted.width, top - wanted.y));
    convert(cv::Rect(wanted.x, bottom, wanted.width, wanted.br().y - bottom));
    convert(cv::Rect(wanted.x, top, left - wanted.x, bottom - top));
    convert(cv::Rect(right, top, wanted.br().x - right, bottom - top));
}

void ColourModelSource::convert(cv::Rect part)
{
    if (part.width <= 0 || part.height <= 0)
        return;
    cv::Mat hsv = cv::cvarrToMat(hsv_)(part);
    cv::cvtColor(cv::cvarrToMat(frame_)(part), hsv, cv::COLOR_BGR2HSV);
    binner_.binArea(hsv_, bins_, cvRect(part.x, part.y, part.width, part.height), valueGain_);
}

void ColourModelSource::willMeasure(CvRect bounds, int largestSide)
{
    if (!hsv_)
        return;
    // The rings of the surround and of the foreground cue, a pixel more for rounding.
    const int ring = static_cast<int>(std::ceil(settings_.ringShare * largestSide)) + 1;
    ensureConverted(cvRect(bounds.x - ring, bounds.y - ring, bounds.width + 2 * ring, bounds.height + 2 * ring));
}

void ColourModelSource::prepareBackground(const CvMat* frame, const std::vector<CvRect>& held, CvRect near)
{
    if (usesBackground())
        background_.prepare(frame, held, workers_, near);
}

std::unique_ptr<AppearanceModel> ColourModelSource::createModel()
{
    auto model = std::make_unique<BandedColourModel>(&plane_, layout_, settings_.sharpness, settings_.ringWeight,
                                                     settings_.ringShare, &background_, settings_.foregroundWeight);
    if (settings_.edgeWeight > 0.0)
        model->useEdges(&edgePlane_, settings_.edgeWeight);
    return model;
}
