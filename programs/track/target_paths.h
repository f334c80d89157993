#pragma once

// The way every target went: its estimate on every tracked frame, for the
// --plot picture.

#include "programs/track/frame_observer.h"
#include "support/box.h"

#include <vector>

namespace tavo_cli {

struct PathPoint {
    int frame = 0;
    float x = 0, y = 0;  // the estimate's centre
    RealBox box;         // the box the result files give for the frame
};

struct TargetPath {
    int id = 0;
    std::vector<PathPoint> points;  // in frame order
};

// Records the paths of the tracker's targets, in the order they first
// appear, each by its id.
class PathRecorder : public FrameObserver {
public:
    bool frameTracked(int frameNumber, const std::vector<TrackedTarget>& targets, const CvMat* annotated) override;
    const std::vector<TargetPath>& paths() const { return paths_; }

private:
    std::vector<TargetPath> paths_;
};

}  // namespace tavo_cli
