#include "session/tracking_session.h"

#include "appearance/reference_adaptation.h"

#include <opencv2/core.hpp>

namespace {

// The share of the rectangle's pixels on the frame that the mask marks;
// negative when none of it lies on the frame.
double maskedShare(const cv::Mat& mask, const CvRect& r)
{
    const cv::Rect on = cv::Rect(r.x, r.y, r.width, r.height) & cv::Rect(0, 0, mask.cols, mask.rows);
    if (on.area() <= 0)
        return -1.0;
    return static_cast<double>(cv::countNonZero(mask(on))) / on.area();
}

}  // namespace

double TrackingSession::confidenceOf(size_t index, const Target& t, TrackedTarget& r)
{
    if (settings_.confidence.kind == ConfidenceKind::Likelihood)
        return t.motion.confidence;
    if (confidenceHistory_.size() <= index)
        confidenceHistory_.resize(index + 1);
    const SampleSummary samples = summarise(tracker_->samples + t.firstSample, t.sampleCount);
    const CvRect rect = estimateRect(*tracker_, t);
    // Only appearance models measure the colours at the estimate.
    const double similarity = t.model ? t.model->similarity(rect) : -1.0;
    ConfidenceContext context;
    context.reported = r.box;
    if (const cv::Mat* foreground = colours_ ? colours_->foreground() : nullptr)
        context.foregroundShare = maskedShare(*foreground, rect);
    context.poorFrames = t.motion.poorFrames;
    r.terms = confidenceTerms(samples, similarity, estimateBox(t.estimate, t.baseWidth, t.baseHeight),
                              confidenceHistory_[index], context);
    return calibratedConfidence(r.terms);
}
