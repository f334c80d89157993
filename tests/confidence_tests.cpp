// The calibrated confidence's parts: what the samples say, the target's
// usual best, and the combination that must order a right box above a
// wrong one.

#include "session/confidence.h"
#include "core/sample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

Sample at(float x, float y, float weight, float likelihood)
{
    Sample s;
    s.posX = x;
    s.posY = y;
    s.weight = weight;
    s.likelihood = likelihood;
    return s;
}

const RealBox kBox{10.0, 10.0, 20.0, 20.0};

}  // namespace

TEST(Confidence, SummaryWeighsSamplesByTheirWeights)
{
    // Two samples 6 px apart, the first three times as heavy: mean x 11.5,
    // deviation sqrt(0.75 * 1.5^2 + 0.25 * 4.5^2); effective size
    // 4^2 / (9 + 1) = 1.6.
    const std::vector<Sample> samples{at(10, 5, 3.0f, 0.2f), at(16, 5, 1.0f, 0.6f)};
    const SampleSummary s = summarise(samples.data(), 2);
    EXPECT_DOUBLE_EQ(s.best, static_cast<double>(0.6f));
    EXPECT_NEAR(s.deviation, std::sqrt(0.75 * 2.25 + 0.25 * 20.25), 1e-6);
    EXPECT_NEAR(s.ess, 1.6, 1e-9);

    // Weights that are all 0 give a summary of nothing, never a NaN.
    const std::vector<Sample> none{at(1, 1, 0.0f, 0.5f), at(3, 3, 0.0f, 0.5f)};
    const SampleSummary z = summarise(none.data(), 2);
    EXPECT_EQ(z.deviation, 0.0);
    EXPECT_EQ(z.ess, 0.0);
}

TEST(Confidence, TheUsualBestLearnsOnlyFromGoodFrames)
{
    ConfidenceHistory h;
    SampleSummary good;
    good.best = 0.8;
    good.count = 10;
    good.ess = 2.0;
    good.deviation = 4.0;
    const ConfidenceTerms first = confidenceTerms(good, 0.9, kBox, h);
    EXPECT_EQ(first.bestRatio, 1.0);  // nothing usual yet
    EXPECT_NEAR(first.spread, 0.2, 1e-12);
    EXPECT_NEAR(first.sampleShare, 0.2, 1e-12);
    for (int i = 0; i < 50; ++i)
        confidenceTerms(good, 0.9, kBox, h);
    EXPECT_NEAR(h.typicalBest, 0.8, 1e-9);

    // The object is gone: frame after frame of a poor match must keep
    // looking poor, not become the usual level.
    SampleSummary gone = good;
    gone.best = 0.08;
    ConfidenceTerms t;
    for (int i = 0; i < 50; ++i)
        t = confidenceTerms(gone, 0.3, kBox, h);
    EXPECT_NEAR(t.bestRatio, 0.1, 1e-9);
    EXPECT_NEAR(h.typicalBest, 0.8, 1e-9);
    EXPECT_LT(calibratedConfidence(t), calibratedConfidence(confidenceTerms(good, 0.9, kBox, h)));
    // Without a colour model the colours count as matching.
    EXPECT_EQ(confidenceTerms(good, -1.0, kBox, h).similarity, 1.0);
}

TEST(Confidence, CombinationOrdersWhatPointsToARightBoxAbove)
{
    // A target on its object: as good a match as usual, its colours, a tight cloud.
    ConfidenceTerms right;
    right.bestRatio = 1.0;
    right.similarity = 0.97;
    right.spread = 0.1;
    right.sampleShare = 0.2;
    const double c = calibratedConfidence(right);
    EXPECT_GE(c, kTrustedConfidence);
    EXPECT_LE(c, 1.0);
    // Each sign of a wrong box alone lowers the confidence.
    ConfidenceTerms worse = right;
    worse.bestRatio = 0.2;
    EXPECT_LT(calibratedConfidence(worse), c);
    worse = right;
    worse.similarity = 0.85;
    EXPECT_LT(calibratedConfidence(worse), c);
    worse = right;
    worse.spread = 0.8;
    EXPECT_LT(calibratedConfidence(worse), c);
    // All of them together: a box not to trust, and a ratio of nothing is
    // still a number, above the 0 that marks a target lost or out of the
    // frame.
    worse.bestRatio = 0.0;
    worse.similarity = 0.5;
    worse.sampleShare = 0.9;
    const double w = calibratedConfidence(worse);
    EXPECT_LT(w, kTrustedConfidence);
    EXPECT_GE(w, kLeastConfidence);
}

TEST(Confidence, TermsOfWhatTheSessionKnowsBesideTheSamples)
{
    ConfidenceHistory h;
    SampleSummary good;
    good.best = 0.8;
    good.count = 10;
    good.ess = 2.0;
    // Nothing known: every such term says nothing against the box.
    ConfidenceTerms t = confidenceTerms(good, 0.9, kBox, h);
    EXPECT_EQ(t.similarityRatio, 1.0);  // the first frame starts the usual similarity
    EXPECT_EQ(t.fitAgreement, 1.0);
    EXPECT_EQ(t.foregroundShare, 1.0);
    EXPECT_EQ(t.poorShare, 0.0);
    for (int i = 0; i < 50; ++i)
        confidenceTerms(good, 0.9, kBox, h);
    EXPECT_NEAR(h.typicalSimilarity, 0.9, 1e-9);

    // A poor frame's colours do not become usual; its similarity is
    // measured against the good frames'.
    SampleSummary poor = good;
    poor.best = 0.1;
    for (int i = 0; i < 20; ++i)
        t = confidenceTerms(poor, 0.45, kBox, h);
    EXPECT_NEAR(t.similarityRatio, 0.5, 1e-9);
    EXPECT_NEAR(h.typicalSimilarity, 0.9, 1e-9);

    // The reported box half over the estimate's: overlap 200 / 600; the
    // foreground share as measured; poor frames saturate.
    ConfidenceContext c;
    c.reported = RealBox{20.0, 10.0, 20.0, 20.0};
    c.foregroundShare = 0.25;
    c.poorFrames = 10;
    t = confidenceTerms(good, 0.9, kBox, h, c);
    EXPECT_NEAR(t.fitAgreement, 1.0 / 3.0, 1e-12);
    EXPECT_EQ(t.foregroundShare, 0.25);
    EXPECT_NEAR(t.poorShare, 10.0 / kPoorFramesScale, 1e-12);
    c.reported = RealBox{100.0, 100.0, 5.0, 5.0};  // apart
    c.poorFrames = 1000;
    t = confidenceTerms(good, 0.9, kBox, h, c);
    EXPECT_EQ(t.fitAgreement, 0.0);
    EXPECT_EQ(t.poorShare, 1.0);
}

TEST(Confidence, ColoursNearTheReferenceTellMoreThanColoursFarFromIt)
{
    // A right box shows 0.97-0.99 of its reference's colours, a box slipping
    // off its object 0.93-0.95; below 0.75 every box is wrong anyway.  So
    // the step from 0.99 to 0.95 weighs more, in the logistic's sum, than
    // the same step from 0.75 to 0.71.
    const auto logit = [](double similarity) {
        ConfidenceTerms t;
        t.similarity = similarity;
        const double c = calibratedConfidence(t);
        return std::log(c / (1.0 - c));
    };
    EXPECT_GT(logit(0.99) - logit(0.95), 2.0 * (logit(0.75) - logit(0.71)));
    EXPECT_GT(logit(0.75) - logit(0.71), 0.0);
}
