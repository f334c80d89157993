#include "session/tracking_session.h"

#include "appearance/reference_adaptation.h"

double TrackingSession::confidenceOf(size_t index, const Target& t)
{
    if (settings_.confidence.kind == ConfidenceKind::Likelihood)
        return t.motion.confidence;
    if (confidenceHistory_.size() <= index)
        confidenceHistory_.resize(index + 1);
    const SampleSummary samples = summarise(tracker_->samples + t.firstSample, t.sampleCount);
    // Only appearance models measure the colours at the estimate.
    const double similarity = t.model ? t.model->similarity(estimateRect(*tracker_, t)) : -1.0;
    const ConfidenceTerms terms =
        confidenceTerms(samples, similarity, estimateBox(t.estimate, t.baseWidth, t.baseHeight), confidenceHistory_[index]);
    return calibratedConfidence(terms);
}
