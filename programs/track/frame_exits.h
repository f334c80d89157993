#pragma once

// Notes the targets whose box left the frame wholly, for a warning after
// the run: such rows cannot hold the object and carry confidence 0.

#include "programs/track/frame_observer.h"

#include <map>
#include <string>
#include <vector>

namespace tavo_cli {

class FrameExits : public FrameObserver {
public:
    bool frameTracked(int frameNumber, const std::vector<TrackedTarget>& targets, const CvMat* annotated) override;
    // One line per target that left the frame, in id order.
    std::vector<std::string> warnings() const;

private:
    struct Exits {
        int firstFrame = 0;
        int frames = 0;
    };
    std::map<int, Exits> byId_;
    int frames_ = 0;
};

}  // namespace tavo_cli
