#include "session/tracking_session.h"

#include "appearance/box_fitting.h"
#include "session/session_checks.h"

#include <algorithm>

namespace {

// The ids as a list for messages: "1, 2, 5", or "none".
std::string idList(const std::vector<int>& ids)
{
    std::string text;
    for (const int id : ids)
        text += (text.empty() ? "" : ", ") + std::to_string(id);
    return text.empty() ? std::string("none") : text;
}

}  // namespace

int TrackingSession::indexOf(int id, std::string& error) const
{
    const auto found = std::find(ids_.begin(), ids_.end(), id);
    if (found != ids_.end())
        return static_cast<int>(found - ids_.begin());
    error = "no target has id " + std::to_string(id) + " (targets: " + idList(ids_) + ")";
    return -1;
}

std::string TrackingSession::boxRefusal(int id, const Box& box) const
{
    const std::string frameName = "frame " + std::to_string(frameNumber_);
    const std::string problem = boxProblem(box, frameView_.cols, frameView_.rows, frameName);
    if (problem.empty())
        return {};
    return "target " + std::to_string(id) + " (box " + boxText(box) + ") " + problem;
}

int TrackingSession::addTarget(const Box& box, int id, std::string& error)
{
    if (id < 0) {
        error = "target id " + std::to_string(id) + " is negative";
        return 0;
    }
    const bool joining = std::any_of(laterTargets_.begin() + static_cast<std::ptrdiff_t>(nextLater_),
                                     laterTargets_.end(), [id](const TargetStart& t) { return t.id == id; });
    if (id > 0 && (joining || std::count(ids_.begin(), ids_.end(), id) > 0)) {
        error = "target id " + std::to_string(id) + " is given twice";
        return 0;
    }
    const int newId = id > 0 ? id : highestId_ + 1;
    if (std::string refusal = boxRefusal(newId, box); !refusal.empty()) {
        error = refusal;
        return 0;
    }
    const tavo& tracker = *tracker_;
    if (static_cast<int64_t>(tracker.targets.size()) >= tracker.jointPool.count ||
        tracker.freeBlock(tracker.defaultSampleCount) < 0) {
        error = "cannot add target " + std::to_string(newId) + ": the sample store holds at most " +
                std::to_string(tracker.jointPool.count) + " targets of " +
                std::to_string(tracker.defaultSampleCount) + " samples, and " +
                std::to_string(tracker.targets.size()) + " are tracked (remove one first)";
        return 0;
    }
    if (!addTarget(TargetStart{box, newId, frameNumber_}, error))
        return 0;
    highestId_ = std::max(highestId_, newId);
    collectResults();
    return newId;
}

bool TrackingSession::removeTarget(int id, std::string& error)
{
    const int index = indexOf(id, error);
    if (index < 0)
        return false;
    const size_t i = static_cast<size_t>(index);
    tracker_->removeTarget(i);
    ids_.erase(ids_.begin() + index);
    if (fitter_)
        fitter_->drop(i);
    if (i < goodBoxes_.size())
        goodBoxes_.erase(goodBoxes_.begin() + index);
    states_.remove(i);
    stillTargets_.drop(i);
    collectResults();
    return true;
}

bool TrackingSession::reinitTarget(int id, const Box& box, std::string& error)
{
    const int index = indexOf(id, error);
    if (index < 0)
        return false;
    if (std::string refusal = boxRefusal(id, box); !refusal.empty()) {
        error = refusal;
        return false;
    }
    const size_t i = static_cast<size_t>(index);
    prepareAround(box);
    tracker_->reinitTarget(i, images_.hue, box.x, box.y, box.width, box.height);
    const RealBox b{double(box.x), double(box.y), double(box.width), double(box.height)};
    if (fitter_)
        fitter_->learn(i, b, cv::cvarrToMat(colours_->binPlane()), colours_->foreground());
    // The box of its last good frame, relative to its centre, starts again.
    if (i < goodBoxes_.size())
        goodBoxes_[i] = RealBox{-0.5 * b.width, -0.5 * b.height, b.width, b.height};
    states_.start(i);
    stillTargets_.start(i, b.x + 0.5 * b.width, b.y + 0.5 * b.height, std::max(b.width, b.height));
    collectResults();
    return true;
}
