#include "support/background_model.h"

#include <opencv2/core/core_c.h>
#include <opencv2/imgproc.hpp>

#include <algorithm>

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

void BackgroundModel::prepare(const CvMat* frame, const std::vector<CvRect>& held)
{
    const cv::Mat image = cv::cvarrToMat(frame);
    if (image.channels() == 1)
        cv::cvtColor(image, gray_, cv::COLOR_GRAY2BGR);
    (image.channels() == 1 ? gray_ : image).convertTo(frame_, CV_32FC3);

    learn_.create(image.size(), CV_8U);
    learn_.setTo(255);
    for (const CvRect& r : held) {
        const CvRect c = clipped(r, image.cols, image.rows);
        if (c.width > 0 && c.height > 0)
            learn_(cv::Rect(c.x, c.y, c.width, c.height)).setTo(0);
    }

    if (background_.size() != image.size()) {
        frame_.copyTo(background_);
        known_ = learn_.clone();
    }

    // A light change of the whole scene scales the background with it,
    // held pixels included, so that only what moved differs.
    const cv::Scalar frameMean = cv::mean(frame_), backgroundMean = cv::mean(background_);
    cv::Scalar gain;
    for (int c = 0; c < 3; ++c)
        gain[c] = backgroundMean[c] > 0.0
                      ? std::clamp(frameMean[c] / backgroundMean[c], 1.0 / kMaxLightStep, kMaxLightStep)
                      : 1.0;
    if (settings_.followLight)
        cv::multiply(background_, gain, background_);
    cv::absdiff(frame_, background_, difference_);
    cv::split(difference_, channels_);
    cv::max(channels_[0], channels_[1], channels_[0]);
    cv::max(channels_[0], channels_[2], channels_[0]);
    cv::compare(channels_[0], static_cast<double>(settings_.threshold), foreground_, cv::CMP_GT);
    cv::bitwise_and(foreground_, known_, foreground_);
    cv::bitwise_and(foreground_, cv::Scalar(1), ones_);
    cv::integral(ones_, integral_, CV_32S);
    cv::bitwise_not(known_, unknown_);
    cv::bitwise_and(unknown_, cv::Scalar(1), ones_);
    cv::integral(ones_, unknownIntegral_, CV_32S);
    cv::bitwise_or(foreground_, unknown_, foreground_);

    // Pixels seen for the first time are taken as they are; known ones
    // follow the frame slowly.
    cv::bitwise_and(learn_, known_, followed_);
    cv::bitwise_and(learn_, unknown_, learn_);
    frame_.copyTo(background_, learn_);
    known_.setTo(255, learn_);
    cv::accumulateWeighted(frame_, background_, settings_.rate, followed_);
}

int BackgroundModel::count(const cv::Mat& integral, CvRect rect, double& area) const
{
    area = 0.0;
    if (integral.empty())
        return 0;
    const CvRect c = clipped(rect, integral.cols - 1, integral.rows - 1);
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
