#include "programs/track/frame_exits.h"

namespace tavo_cli {

bool FrameExits::frameTracked(int frameNumber, const std::vector<TrackedTarget>& targets, const CvMat*)
{
    ++frames_;
    for (const TrackedTarget& target : targets) {
        if (target.inFrame)
            continue;
        Exits& exits = byId_[target.id];
        if (exits.frames++ == 0)
            exits.firstFrame = frameNumber;
    }
    return true;
}

std::vector<std::string> FrameExits::warnings() const
{
    std::vector<std::string> lines;
    for (const auto& [id, exits] : byId_)
        lines.push_back("target " + std::to_string(id) + " left the frame on frame " +
                        std::to_string(exits.firstFrame) + ": its box lies wholly outside the frame in " +
                        std::to_string(exits.frames) + " of " + std::to_string(frames_) +
                        " frames, whose rows say confidence 0");
    return lines;
}

}  // namespace tavo_cli
