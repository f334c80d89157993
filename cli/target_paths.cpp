#include "cli/target_paths.h"

#include "cli/result_lines.h"

namespace tavo_cli {

bool PathRecorder::frameTracked(int frameNumber, const tavo& tracker, const CvMat&)
{
    if (paths_.size() != tracker.targets.size()) {
        paths_.resize(tracker.targets.size());
        for (size_t k = 0; k < paths_.size(); ++k)
            paths_[k].id = tracker.targets[k]->id;
    }
    for (size_t k = 0; k < paths_.size(); ++k) {
        const Target& target = *tracker.targets[k];
        const Sample& e = target.estimate;
        paths_[k].points.push_back(
            PathPoint{frameNumber, e.posX, e.posY, estimateBox(e, target.baseWidth, target.baseHeight)});
    }
    return true;
}

}  // namespace tavo_cli
