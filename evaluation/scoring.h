#pragma once

// Scoring a run against ground truth: per target the centre error, the
// success rate and identity confusions, and over the whole run the CLEAR-MOT
// measures.  Tracker target k is compared with ground-truth object k.
// Beside them, the measures tavo-eval computes (HOTA, IDF1, MT/PT/ML, the
// OTB curves), over the same frames.

#include "evaluation/evaluation.h"
#include "evaluation/mot_file.h"

#include <optional>

#include <string>
#include <vector>

namespace tavo_eval {

double intersectionOverUnion(const RealBox& a, const RealBox& b);
double centreDistance(const RealBox& a, const RealBox& b);

struct TargetScore {
    int id = 0;                // 0 for the row over all targets
    int frames = 0;            // frames in which the ground truth has this object
    double meanError = 0.0;    // centre error in pixels, over those frames
    double maxError = 0.0;
    double successRate = 0.0;  // share of those frames with overlap >= kMatchOverlap
    int confusions = 0;        // frames where another object's truth is nearer
};

// One target's score on one frame.
struct FrameScore {
    int frame = 0;
    double error = 0.0;    // centre error in pixels
    double overlap = 0.0;  // with its ground-truth box
};

struct ClearMot {
    int objects = 0;  // ground-truth boxes in the scored frames
    int matches = 0;
    int misses = 0;
    int falsePositives = 0;
    int idSwitches = 0;
    double mota = 0.0;  // 1 - (misses + false positives + switches) / objects
    double motp = 0.0;  // mean overlap of the matched pairs
};

struct ScoreReport {
    int firstFrame = 0;
    int lastFrame = 0;  // 0 when no frame was scored
    std::vector<TargetScore> targets;
    TargetScore overall;
    ClearMot mot;
    // tavo-eval's measures of the boxes as the MOTChallenge result file
    // gives them (two decimals, lost targets left out) against the ground
    // truth of the scored frames: over a whole sequence, the numbers
    // tavo-eval gives for the --mot file.  Nothing when the ground truth
    // gives an id twice on one of those frames, which tavo-eval refuses.
    std::optional<tavo_eval::SummaryRow> measures;
};

class Scorer {
public:
    // `trackerIds`: the ids of the tracker's targets, in list order.
    Scorer(GroundTruth truth, std::vector<int> trackerIds);

    // The tracker's boxes of one frame, in the order of `trackerIds`.  A
    // target that joins later has no box before its first frame (`boxes`
    // is then shorter): it is scored from that frame on, and until then its
    // ground-truth object counts as a miss in CLEAR-MOT, as any object that
    // no box follows.  Only the frames added are scored.  `lost` flags (1)
    // the targets that are lost on this frame (empty: none): they claim no
    // box, so their objects count as failures (overlap 0; the error is the
    // kept box's) and as misses in CLEAR-MOT, and they are never false
    // positives nor confused with another object.
    void addFrame(int frame, const std::vector<RealBox>& boxes, const std::vector<char>& lost = {});

    ScoreReport report() const;

    const std::vector<int>& trackerIds() const { return ids_; }
    // Per target, in the order of `trackerIds`: its score on every frame in
    // which the ground truth has its object, in frame order.
    const std::vector<std::vector<FrameScore>>& frameScores() const { return frameScores_; }

private:
    // One frame's boxes; `count` of them are scored.
    struct FrameBoxes {
        const std::vector<RealBox>& boxes;
        const std::vector<char>& lost;
        int count;
        bool isLost(int t) const { return static_cast<size_t>(t) < lost.size() && lost[t]; }
    };
    void scoreTargets(int frame, const std::vector<MotRecord>& objects, const FrameBoxes& f);
    std::vector<int> matchObjects(const std::vector<MotRecord>& objects, const FrameBoxes& f,
                                  const std::vector<std::vector<double>>& overlap) const;
    void countClearMot(const std::vector<MotRecord>& objects, const FrameBoxes& f);

    struct Sums {
        int frames = 0;
        double errorSum = 0.0;
        double maxError = 0.0;
        int successes = 0;
        int confusions = 0;
    };

    GroundTruth truth_;
    std::vector<int> ids_;
    std::vector<Sums> sums_;
    std::vector<std::vector<FrameScore>> frameScores_;
    std::map<int, int> lastMatch_;  // ground-truth id -> tracker index last matched
    ClearMot mot_;
    std::vector<tavo_eval::EvalRecord> results_;  // as the result file gives them
    double overlapSum_ = 0.0;
    int firstFrame_ = 0;
    int lastFrame_ = 0;
};

// The report as printed: its heading, tavo-eval's measures (fractions with
// six decimals, as tavo-eval --csv writes them), then one line per target,
// one over all and, last, one for CLEAR-MOT.
std::string formatReport(const ScoreReport& report, const std::string& truthName);

}  // namespace tavo_eval
