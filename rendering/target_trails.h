#pragma once

// What the boxes drawing remembers of each target across frames: the
// centres of its last frames in sight, and its box in the last of them
// (where a lost target is drawn).  Sized at the first frame; nothing is
// allocated after that while the targets stay as many.

#include "support/box.h"
#include "session/tracking_session.h"

#include <opencv2/core.hpp>

#include <array>
#include <vector>

// A trail long enough to show where a target came from, short enough not
// to clutter the frame: under a second of a 25 frames/s video.
constexpr int kTrailFrames = 20;

struct TargetTrail {
    std::array<cv::Point2f, kTrailFrames> centres;
    int count = 0;  // centres held, at most kTrailFrames
    int next = 0;   // where the next centre goes
    RealBox lastSeen;
    bool seen = false;  // in sight on some frame so far

    // The i-th centre held, the oldest first.
    cv::Point2f centre(int i) const { return centres[(next - count + i + kTrailFrames) % kTrailFrames]; }
};

class TargetTrails {
public:
    // Adds frame `frameNumber`'s targets (in the session's order); a frame
    // already added is not added again.
    void add(int frameNumber, const std::vector<TrackedTarget>& targets);
    // The trail of the i-th target of the last frame added.
    const TargetTrail& operator[](size_t i) const { return trails_[i]; }

private:
    // Moves the trails to the targets' new places when one was removed
    // (by id); targets that joined (appended) need nothing.
    void follow(const std::vector<TrackedTarget>& targets);

    std::vector<TargetTrail> trails_;
    std::vector<int> ids_;  // of the trails, in order
    int lastFrame_ = 0;
};
