#include "evaluation/records.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace tavo_eval {

namespace {

// Areas at or below this count as none (the evaluator's machine epsilon).
constexpr double kNoArea = std::numeric_limits<double>::epsilon();

std::vector<int> sortedIds(const std::vector<EvalRecord>& records)
{
    std::vector<int> ids;
    for (const EvalRecord& r : records)
        ids.push_back(r.id);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

int indexOf(const std::vector<int>& ids, int id)
{
    return static_cast<int>(std::lower_bound(ids.begin(), ids.end(), id) - ids.begin());
}

}  // namespace

double boxOverlap(const cv::Rect2d& a, const cv::Rect2d& b)
{
    const double width = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    const double height = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    const double intersection = std::max(width, 0.0) * std::max(height, 0.0);
    const double areaA = a.width * a.height;
    const double areaB = b.width * b.height;
    const double unionArea = areaA + areaB - intersection;
    if (areaA <= kNoArea || areaB <= kNoArea || unionArea <= kNoArea)
        return 0.0;
    return intersection / unionArea;
}

double centreDistance(const cv::Rect2d& a, const cv::Rect2d& b)
{
    const double dx = (a.x + a.width / 2) - (b.x + b.width / 2);
    const double dy = (a.y + a.height / 2) - (b.y + b.height / 2);
    return std::sqrt(dx * dx + dy * dy);
}

SequenceBoxes arrangeSequence(const std::vector<EvalRecord>& truthRows, const std::vector<EvalRecord>& result)
{
    std::vector<EvalRecord> truth;
    for (const EvalRecord& r : truthRows)
        if (r.confidence != 0.0)
            truth.push_back(r);

    SequenceBoxes s;
    s.truthIds = sortedIds(truth);
    s.resultIds = sortedIds(result);
    s.truthBoxCount = static_cast<int>(truth.size());
    s.resultBoxCount = static_cast<int>(result.size());

    std::map<int, FrameBoxes> frames;
    for (const EvalRecord& r : truth) {
        FrameBoxes& f = frames[r.frame];
        f.truth.push_back(indexOf(s.truthIds, r.id));
        f.truthBoxes.push_back(r.box);
    }
    for (const EvalRecord& r : result) {
        FrameBoxes& f = frames[r.frame];
        f.result.push_back(indexOf(s.resultIds, r.id));
        f.resultBoxes.push_back(r.box);
    }
    for (auto& [frame, f] : frames) {
        f.frame = frame;
        f.overlap.resize(f.truth.size() * f.result.size());
        for (size_t i = 0; i < f.truth.size(); ++i)
            for (size_t j = 0; j < f.result.size(); ++j)
                f.overlap[i * f.result.size() + j] = boxOverlap(f.truthBoxes[i], f.resultBoxes[j]);
        s.frames.push_back(std::move(f));
    }
    return s;
}

}  // namespace tavo_eval
