#pragma once

// The boxes scored: one row of a MOTChallenge file, ground truth or a
// tracker's result, and a sequence's rows arranged by frame for the
// measures.

#include <opencv2/core.hpp>

#include <vector>

namespace tavo_eval {

// A box counts as found, and a match for the identity and CLEAR measures,
// when its overlap with the truth reaches this.
constexpr double kMatchOverlap = 0.5;

struct EvalRecord {
    int frame = 0;
    int id = 0;
    cv::Rect2d box;            // left, top, width, height in pixels
    double confidence = 1.0;   // a ground-truth row with 0 is ignored
};

// One frame: the boxes of each side present on it, as indices into the
// sequence's ids, and the overlap of every pair.
struct FrameBoxes {
    int frame = 0;
    std::vector<int> truth;     // index into SequenceBoxes::truthIds
    std::vector<int> result;    // index into SequenceBoxes::resultIds
    std::vector<cv::Rect2d> truthBoxes;
    std::vector<cv::Rect2d> resultBoxes;
    std::vector<double> overlap;  // truth-major: overlap[i * result.size() + j]

    double at(size_t i, size_t j) const { return overlap[i * result.size() + j]; }
};

struct SequenceBoxes {
    std::vector<int> truthIds;   // the file's ids, ascending
    std::vector<int> resultIds;
    std::vector<FrameBoxes> frames;  // ascending, only frames holding a box
    int truthBoxCount = 0;
    int resultBoxCount = 0;
};

// The rows arranged for scoring; ground-truth rows of confidence 0 are
// left out, as MOTChallenge does with its distractors.  Ids must be
// unique within a frame on each side (the caller checks).
SequenceBoxes arrangeSequence(const std::vector<EvalRecord>& truth, const std::vector<EvalRecord>& result);

// Intersection over union of two boxes, computed as the MOTChallenge
// evaluator does: 0 when either box or the union has no area.
double boxOverlap(const cv::Rect2d& a, const cv::Rect2d& b);

// Distance between the boxes' centres in pixels.
double centreDistance(const cv::Rect2d& a, const cv::Rect2d& b);

}  // namespace tavo_eval
