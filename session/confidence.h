#pragma once

// What a target's confidence says.  "likelihood" (the default) is the
// weighted mean likelihood of its samples, as the tracker has always
// reported it: its level depends on the scene's colours, noise and the
// likelihood's sharpness, so that it ranks a target's frames but tells no
// one when to stop trusting a box.  "calibrated" combines what the tracker
// knows after a frame into a number from 0 to 1 that predicts whether the
// reported box overlaps the object by at least half: how the best match
// compares with the target's usual best, how much of its reference's
// colours the estimate's box shows, how tightly the samples gather and how
// evenly the weights spread over them.

#include "support/box.h"

// Below this calibrated confidence a box should not be trusted: the
// combination's terms are weighed so that a right and a wrong box are
// equally likely there (see the README for the share of right and wrong
// boxes on each side of it over the development set).
constexpr double kTrustedConfidence = 0.5;

// The least calibrated confidence: the smallest value the MOT file's four
// decimals write as more than 0, which stays the mark of a target that is
// lost or whose box lies wholly outside the frame.
constexpr double kLeastConfidence = 1e-4;

enum class ConfidenceKind { Likelihood, Calibrated };

struct ConfidenceSettings {
    ConfidenceKind kind = ConfidenceKind::Likelihood;
};

// What the calibrated confidence measures of a target after a frame, each
// term normalised so that one set of constants serves every scene.
struct ConfidenceTerms {
    double bestRatio = 1.0;    // best likelihood over the target's usual best (see ConfidenceHistory)
    double similarity = 1.0;   // of the colours in the estimate's box to the reference (0..1)
    double spread = 0.0;       // weighted deviation of the sample centres, in box sizes
    double sampleShare = 1.0;  // effective sample size of the weights over the sample count
    double similarityRatio = 1.0;  // similarity over the target's usual similarity (ConfidenceHistory)
    double fitAgreement = 1.0;     // overlap (IoU) of the estimate's box and the reported box
    double foregroundShare = 1.0;  // of the estimate's box that differs from the learnt background
    double poorShare = 0.0;        // frames in a row of a poor match, in kPoorFramesScale (at most 1)
};

// What the session knows of a target beside its samples, for the terms:
// each defaults to what says nothing against the box.
struct ConfidenceContext {
    RealBox reported{0.0, 0.0, 0.0, 0.0};  // the box reported (fitted); empty: the estimate's
    double foregroundShare = -1.0;        // negative: no background model
    int poorFrames = 0;                   // frames in a row of a poor match (MotionState::poorFrames)
};

// Poor frames in a row that make poorShare 1: a target lost and found
// within a few frames tells less than one unmatched for a second.
constexpr double kPoorFramesScale = 25.0;

// A target's usual best likelihood, a running mean over its good frames.
struct ConfidenceHistory {
    double typicalBest = 0.0;  // 0: none yet
    double typicalSimilarity = 0.0;  // the running mean of the similarity of good frames; 0: none yet
};

// The samples of one target after a frame.
struct SampleSummary {
    double best = 0.0;       // largest likelihood
    double ess = 0.0;        // effective sample size of the weights
    double deviation = 0.0;  // weighted deviation of the centres, pixels
    int count = 0;
};

struct Sample;
// The summary of `count` samples.
SampleSummary summarise(const Sample* samples, int count);

// The terms of a frame, from its sample summary, the colour similarity at
// the estimate (negative: not measured, taken as a full match), the
// estimate's box and what else the session knows.  Updates the history with
// the frame when its match is good.
ConfidenceTerms confidenceTerms(const SampleSummary& samples, double similarity, const RealBox& estimate,
                                ConfidenceHistory& history, const ConfidenceContext& context = {});

// The calibrated confidence of those terms: a logistic of the weighted sum
// of the best ratio's logarithm, the colours' Hellinger distance
// sqrt(1 - similarity), the spread and the sample share, at least
// kLeastConfidence.  The other terms are measured for fits
// (tools/fit_confidence.py), not combined: none of them kept the checking
// half's figure.
double calibratedConfidence(const ConfidenceTerms& terms);
