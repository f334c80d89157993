#include "render/target_trails.h"

#include <algorithm>

void TargetTrails::add(int frameNumber, const std::vector<TrackedTarget>& targets)
{
    if (frameNumber == lastFrame_ && trails_.size() == targets.size())
        return;
    lastFrame_ = frameNumber;
    trails_.resize(targets.size());
    for (size_t i = 0; i < targets.size(); ++i) {
        const TrackedTarget& target = targets[i];
        if (target.lost)
            continue;  // the trail and the box stay where it was last seen
        TargetTrail& trail = trails_[i];
        trail.centres[trail.next] = cv::Point2f(target.x, target.y);
        trail.next = (trail.next + 1) % kTrailFrames;
        trail.count = std::min(trail.count + 1, kTrailFrames);
        trail.lastSeen = target.box;
        trail.seen = true;
    }
}
