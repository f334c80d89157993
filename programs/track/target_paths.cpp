#include "programs/track/target_paths.h"

#include <algorithm>

namespace tavo_cli {

bool PathRecorder::frameTracked(int frameNumber, const std::vector<TrackedTarget>& targets, const CvMat*)
{
    // By id: a target dropped keeps its path up to its last frame, and the
    // others keep theirs.
    for (const TrackedTarget& t : targets) {
        auto path = std::find_if(paths_.begin(), paths_.end(), [&](const TargetPath& p) { return p.id == t.id; });
        if (path == paths_.end()) {
            paths_.push_back(TargetPath{t.id, {}});
            path = paths_.end() - 1;
        }
        path->points.push_back(PathPoint{frameNumber, t.x, t.y, t.box});
    }
    return true;
}

}  // namespace tavo_cli
