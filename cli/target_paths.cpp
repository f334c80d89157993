#include "cli/target_paths.h"


namespace tavo_cli {

bool PathRecorder::frameTracked(int frameNumber, const std::vector<TrackedTarget>& targets, const CvMat*)
{
    if (paths_.size() != targets.size()) {
        paths_.resize(targets.size());
        for (size_t k = 0; k < paths_.size(); ++k)
            paths_[k].id = targets[k].id;
    }
    for (size_t k = 0; k < paths_.size(); ++k)
        paths_[k].points.push_back(PathPoint{frameNumber, targets[k].x, targets[k].y, targets[k].box});
    return true;
}

}  // namespace tavo_cli
