#include "session/tracking_session.h"

#include "appearance/reference_adaptation.h"

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
    if (colours_)
        context.foregroundShare = colours_->foregroundShare(rect);
    context.poorFrames = t.motion.poorFrames;
    r.terms = confidenceTerms(samples, similarity, estimateBox(t.estimate, t.baseWidth, t.baseHeight),
                              confidenceHistory_[index], context);
    return calibratedConfidence(r.terms);
}
