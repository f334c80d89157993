#include "rendering/target_trails.h"

#include <algorithm>

void TargetTrails::add(int frameNumber, const std::vector<TrackedTarget>& targets)
{
    follow(targets);
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

void TargetTrails::follow(const std::vector<TrackedTarget>& targets)
{
    bool appended = ids_.size() <= targets.size();
    for (size_t i = 0; appended && i < ids_.size(); ++i)
        appended = ids_[i] == targets[i].id;
    if (!appended) {
        std::vector<TargetTrail> moved(targets.size());
        for (size_t i = 0; i < targets.size(); ++i) {
            const auto old = std::find(ids_.begin(), ids_.end(), targets[i].id);
            if (old != ids_.end() && static_cast<size_t>(old - ids_.begin()) < trails_.size())
                moved[i] = trails_[static_cast<size_t>(old - ids_.begin())];
        }
        trails_ = std::move(moved);
    }
    if (ids_.size() != targets.size() || !appended) {
        ids_.clear();
        for (const TrackedTarget& t : targets)
            ids_.push_back(t.id);
    }
}
