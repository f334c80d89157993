#include "session/tracking_session.h"

#include "appearance/box_fitting.h"

#include <algorithm>
#include <climits>
#include <new>

namespace {

// Ids the session's targets wear while another is added (see addTarget):
// the tracker numbers new targets from 1 up, never down here.
constexpr int kIdSetAside = INT_MIN;

}  // namespace

bool TrackingSession::addTarget(const TargetStart& start, std::string& error)
{
    // Adding a target finds it by the id the tracker gives it, which may be
    // one the caller gave another target: theirs are set aside meanwhile.
    std::vector<std::unique_ptr<Target>>& targets = tracker_->targets;
    for (size_t i = 0; i < targets.size(); ++i)
        targets[i]->id = kIdSetAside + static_cast<int>(i);
    const Box& b = start.box;
    prepareAround(b);
    bool added = false;
    try {
        added = tracker_->addTarget(images_.hue, b.x, b.y, b.width, b.height);
    } catch (const std::bad_alloc&) {
    }
    for (size_t i = 0; i + (added ? 1 : 0) < targets.size(); ++i)
        targets[i]->id = ids_[i];
    // The store has room for every target, so only memory is missing.
    if (!added) {
        error = "out of memory adding target " + std::to_string(start.id) + " (box " + boxText(b) + ")";
        return false;
    }
    targets.back()->id = start.id;
    ids_.push_back(start.id);
    states_.start(targets.size() - 1);
    stillTargets_.start(targets.size() - 1, b.x + 0.5 * b.width, b.y + 0.5 * b.height, std::max(b.width, b.height));
    if (fitter_)
        fitter_->learn(targets.size() - 1, RealBox{double(b.x), double(b.y), double(b.width), double(b.height)},
                       cv::cvarrToMat(colours_->binPlane()), colours_->foreground());
    return true;
}

bool TrackingSession::joinLaterTargets()
{
    bool joined = false;
    while (nextLater_ < laterTargets_.size() && laterTargets_[nextLater_].frame == frameNumber_) {
        if (!addTarget(laterTargets_[nextLater_++], error_))
            return false;
        joined = true;
    }
    if (joined)
        collectResults();
    return true;
}
