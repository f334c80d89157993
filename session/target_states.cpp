#include "session/target_states.h"

#include "core/tavo.h"

#include <algorithm>

namespace {

// The share of the box's area that lies in the frame.
double shareInFrame(const RealBox& b, int columns, int rows)
{
    if (!(b.width > 0.0 && b.height > 0.0))
        return 0.0;
    const double w = std::min<double>(b.x + b.width, columns) - std::max(b.x, 0.0);
    const double h = std::min<double>(b.y + b.height, rows) - std::max(b.y, 0.0);
    return w > 0.0 && h > 0.0 ? w * h / (b.width * b.height) : 0.0;
}

// Whether the box is within `reach` of its sizes of an edge of the frame.
bool nearEdge(const RealBox& b, double reach, int columns, int rows)
{
    const double mx = reach * b.width, my = reach * b.height;
    return b.x < mx || b.x + b.width > columns - mx || b.y < my || b.y + b.height > rows - my;
}

}  // namespace

const char* stateName(TargetState state)
{
    switch (state) {
    case TargetState::Hidden:
        return "hidden";
    case TargetState::Lost:
        return "lost";
    case TargetState::Tracked:
        break;
    }
    return "tracked";
}

double bestMatch(const tavo& tracker, const Target& t)
{
    const Sample* samples = tracker.samples + t.firstSample;
    double best = 0.0;
    for (int i = 0; i < t.sampleCount; ++i)
        best = std::max(best, static_cast<double>(samples[i].likelihood));
    return best;
}

void TargetStates::start(size_t index)
{
    if (judged_.size() <= index)
        judged_.resize(index + 1);
    judged_[index] = Judged{};
}

void TargetStates::remove(size_t index)
{
    if (index < judged_.size())
        judged_.erase(judged_.begin() + static_cast<std::ptrdiff_t>(index));
}

void TargetStates::judge(const tavo& tracker, const std::vector<RealBox>& boxes, int columns, int rows)
{
    judged_.resize(tracker.targets.size());
    for (size_t i = 0; i < judged_.size() && i < boxes.size(); ++i) {
        const Target& t = *tracker.targets[i];
        judgeOne(judged_[i], t, bestMatch(tracker, t), boxes[i], columns, rows);
    }
}

void TargetStates::judgeOne(Judged& j, const Target& t, double match, const RealBox& box, int columns, int rows)
{
    const double share = t.model ? kModelUnseenShare : kHueUnseenShare;
    const bool poor = j.typical > 0.0 && match < share * j.typical;
    const bool unseen = poor || t.motion.lost || t.motion.coasting;
    if (!unseen) {
        j.typical = j.typical > 0.0 ? (1.0 - kTypicalRate) * j.typical + kTypicalRate * match : match;
        j.unseenFrames = 0;
        j.leaving = nearEdge(box, kEdgeReach, columns, rows);
        j.state = TargetState::Tracked;
        return;
    }
    ++j.unseenFrames;
    const bool outside = shareInFrame(box, columns, rows) < 0.5;
    if (outside || j.leaving || j.unseenFrames > kHiddenFrames)
        j.state = TargetState::Lost;
    else
        j.state = TargetState::Hidden;
}
