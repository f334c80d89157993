#include "appearance/background_model.h"

#include "appearance/background_pass.h"
#include "appearance/frame_brightness.h"

#include <opencv2/core/core_c.h>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// The largest light change followed in one frame: a black or blank frame
// (a glitch, a flash) must not wipe out what the background has learnt.
constexpr double kMaxLightStep = 2.0;

CvRect clipped(CvRect r, int cols, int rows)
{
    const int x0 = std::max(0, r.x), y0 = std::max(0, r.y);
    const int x1 = std::min(cols, r.x + std::max(0, r.width)), y1 = std::min(rows, r.y + std::max(0, r.height));
    return cvRect(x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0));
}

}  // namespace

void BackgroundModel::prepare(const CvMat* frame, const std::vector<CvRect>& held, WorkerPool* workers, CvRect near)
{
    cv::Mat image = cv::cvarrToMat(frame);
    if (image.channels() == 1) {
        cv::cvtColor(image, gray_, cv::COLOR_GRAY2BGR);
        image = gray_;
    }
    // Filled row by row: cv::Mat::setTo allocates on every call.
    learn_.create(image.size(), CV_8U);
    for (int y = 0; y < image.rows; ++y)
        std::fill_n(learn_.ptr<uint8_t>(y), image.cols, uint8_t{255});
    for (const CvRect& r : held) {
        const CvRect c = clipped(r, image.cols, image.rows);
        for (int y = c.y; y < c.y + c.height; ++y)
            std::fill_n(learn_.ptr<uint8_t>(y) + c.x, c.width, uint8_t{0});
    }
    if (background_.size() != image.size()) {
        image.convertTo(background_, CV_32FC3);
        known_ = learn_.clone();
        if (settings_.learnRevealed)
            revealed_.start(image, held);
        const cv::Scalar sum = cv::sum(background_);
        for (int c = 0; c < 3; ++c) {
            backgroundSum_[c] = sum[c];
            light_[c] = 1.0f;
        }
    }

    // A light change of the whole scene scales the background with it,
    // held pixels included, so that only what moved differs.  (The
    // background's sums come from the last frame's pass.)
    const double pixels = static_cast<double>(image.total());
    const cv::Scalar frameMean = channelMeans_.of(image, workers);
    float gain[3] = {1.0f, 1.0f, 1.0f};
    if (settings_.followLight)
        for (int c = 0; c < 3; ++c) {
            const double backgroundMean = backgroundSum_[c] * (settings_.nearTargets ? light_[c] : 1.0f) / pixels;
            if (backgroundMean > 0.0)
                gain[c] = static_cast<float>(
                    std::clamp(frameMean[c] / backgroundMean, 1.0 / kMaxLightStep, kMaxLightStep));
        }
    const CvRect whole = cvRect(0, 0, image.cols, image.rows);
    if (!settings_.nearTargets) {
        if (settings_.learnRevealed)
            revealed_.mark(image, background_, gain, known_, static_cast<float>(settings_.threshold), held, learn_);
        compareAndLearn(image, gain, nullptr, whole, workers);
        return;
    }
    float inverse[3];
    for (int c = 0; c < 3; ++c) {
        light_[c] *= gain[c];
        inverse[c] = 1.0f / light_[c];
    }
    if (settings_.learnRevealed)
        revealed_.mark(image, background_, light_, known_, static_cast<float>(settings_.threshold), held, learn_);
    compareAndLearn(image, light_, inverse, clipped(near, image.cols, image.rows), workers);
    refreshBand(image, inverse);
    ++frames_;
}

void BackgroundModel::compareAndLearn(const cv::Mat& image, const float* gain, const float* inverse, CvRect area,
                                      WorkerPool* workers)
{
    const int rows = image.rows, cols = image.cols;
    foreground_.create(rows, cols, CV_8U);
    integral_.create(rows + 1, cols + 1, CV_32S);
    unknownIntegral_.create(rows + 1, cols + 1, CV_32S);
    compared_ = area;
    const bool whole = area.width == cols && area.height == rows;
    if (!whole)  // no foreground outside the area (filled row by row: setTo allocates)
        for (int y = 0; y < rows; ++y)
            std::fill_n(foreground_.ptr<uint8_t>(y), cols, uint8_t{0});
    if (area.width == 0 || area.height == 0)
        return;
    const cv::Rect part(area.x, area.y, area.width, area.height);
    const cv::Rect counts(area.x, area.y, area.width + 1, area.height + 1);
    const cv::Mat partImage = image(part), learn = learn_(part);
    cv::Mat background = background_(part), known = known_(part), foreground = foreground_(part);
    cv::Mat integral = integral_(counts), unknownIntegral = unknownIntegral_(counts);
    differences_.resize(static_cast<size_t>(part.width) * backgroundPassBands(workers, part.height, part.width));
    double before[3] = {0.0, 0.0, 0.0}, after[3];
    if (!whole)
        addBackgroundSums(background, before);
    BackgroundPass pass{&partImage,
                        &background,
                        &known,
                        &learn,
                        &foreground,
                        &integral,
                        &unknownIntegral,
                        gain,
                        static_cast<float>(settings_.threshold),
                        static_cast<float>(settings_.rate),
                        stillRuleHolds(),
                        whole ? backgroundSum_ : after,
                        differences_.data()};
    pass.inverseGain = inverse;
    runBackgroundPass(pass, workers);
    if (!whole)
        for (int c = 0; c < 3; ++c)
            backgroundSum_[c] += after[c] - before[c];
}

bool BackgroundModel::stillRuleHolds() const
{
    return settings_.ringCountsStillUnknown && (stillObjects_ || !settings_.stillRuleWhileStill) &&
           (revealed_.someBoxUnmoved() || !settings_.stillRuleWhileUnmoved);
}

void BackgroundModel::refreshBand(const cv::Mat& image, const float* inverse)
{
    const int rows = image.rows, cols = image.cols;
    const int band = static_cast<int>(frames_ % kRefreshFrames);
    const int top = static_cast<int>(static_cast<long long>(rows) * band / kRefreshFrames);
    const int end = static_cast<int>(static_cast<long long>(rows) * (band + 1) / kRefreshFrames);
    const CvRect& a = compared_;
    const int areaTop = std::clamp(a.y, top, end), areaEnd = std::clamp(a.y + a.height, top, end);
    const bool emptyArea = a.width == 0 || a.height == 0;
    if (emptyArea) {
        learnOutside(image, cv::Rect(0, top, cols, end - top), inverse);
        return;
    }
    learnOutside(image, cv::Rect(0, top, cols, areaTop - top), inverse);
    learnOutside(image, cv::Rect(0, areaTop, a.x, areaEnd - areaTop), inverse);
    learnOutside(image, cv::Rect(a.x + a.width, areaTop, cols - a.x - a.width, areaEnd - areaTop), inverse);
    learnOutside(image, cv::Rect(0, areaEnd, cols, end - areaEnd), inverse);
}

void BackgroundModel::learnOutside(const cv::Mat& image, cv::Rect part, const float* inverse)
{
    if (part.width <= 0 || part.height <= 0)
        return;
    // What kRefreshFrames frames at the set rate would learn of a still scene.
    const float rate = static_cast<float>(1.0 - std::pow(1.0 - settings_.rate, kRefreshFrames));
    cv::Mat background = background_(part), known = known_(part);
    learnInOwnLight(image(part), background, known, learn_(part), inverse, rate, backgroundSum_);
}

int BackgroundModel::count(const cv::Mat& integral, CvRect rect, double& area) const
{
    area = 0.0;
    if (integral.empty())
        return 0;
    CvRect c = clipped(rect, integral.cols - 1, integral.rows - 1);
    c = clipped(cvRect(c.x - compared_.x, c.y - compared_.y, c.width, c.height), compared_.width, compared_.height);
    c.x += compared_.x;
    c.y += compared_.y;
    if (c.width == 0 || c.height == 0)
        return 0;
    area = static_cast<double>(c.width) * c.height;
    const int x1 = c.x + c.width, y1 = c.y + c.height;
    return integral.at<int>(y1, x1) - integral.at<int>(c.y, x1) - integral.at<int>(y1, c.x) +
           integral.at<int>(c.y, c.x);
}

double BackgroundModel::foregroundShare(CvRect rect) const
{
    double area = 0.0;
    const int moved = count(integral_, rect, area);
    const int unknown = count(unknownIntegral_, rect, area);
    return area > 0.0 ? (moved + unknown) / area : 0.0;
}

double BackgroundModel::ringForegroundShare(CvRect rect, int margin) const
{
    double innerArea = 0.0, outerArea = 0.0;
    const int inner = count(integral_, rect, innerArea);
    const int outer = count(integral_, cvRect(rect.x - margin, rect.y - margin, rect.width + 2 * margin,
                                              rect.height + 2 * margin),
                            outerArea);
    return outerArea > innerArea ? (outer - inner) / (outerArea - innerArea) : 0.0;
}

void BackgroundModel::moveWith(const cv::Matx23d& transform)
{
    if (background_.empty() || transform == cv::Matx23d(1, 0, 0, 0, 1, 0))
        return;
    // Pixels from outside repeat the edge: they are unknown, and replaced
    // when first seen, but they enter the light gain's mean as a close
    // guess of what comes into view, where black would raise the gain.
    cv::warpAffine(background_, warpedBackground_, transform, background_.size(), cv::INTER_LINEAR,
                   cv::BORDER_REPLICATE);
    cv::swap(background_, warpedBackground_);
    cv::warpAffine(known_, warpedKnown_, transform, known_.size(), cv::INTER_NEAREST, cv::BORDER_CONSTANT,
                   cv::Scalar(0));
    cv::swap(known_, warpedKnown_);
    if (settings_.revealedWithCamera)
        revealed_.moveWith(transform, background_.size());
    else
        revealed_.forget();  // the frame before no longer lies under the same pixels
    const cv::Scalar sum = cv::sum(background_);
    for (int c = 0; c < 3; ++c)
        backgroundSum_[c] = sum[c];
}
