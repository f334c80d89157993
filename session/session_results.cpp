#include "session/tracking_session.h"

#include "appearance/box_fitting.h"
#include "appearance/target_areas.h"

#include <algorithm>

namespace {

// Whether any part of the box lies on a frame of that size.
bool overlapsFrame(const RealBox& b, int columns, int rows)
{
    return b.x < columns && b.y < rows && b.x + b.width > 0 && b.y + b.height > 0;
}

// What a target's result says: its estimate, or while it is lost the
// estimate of its last good frame, standing still.
Sample reportedEstimate(const Target& t)
{
    Sample e = t.estimate;
    if (!t.motion.lost)
        return e;
    e.posX = t.motion.lastGoodX;
    e.posY = t.motion.lastGoodY;
    e.scaleX = t.motion.lastGoodScaleX;
    e.scaleY = t.motion.lastGoodScaleY;
    e.velX = 0.0f;
    e.velY = 0.0f;
    return e;
}

// The smallest box that holds both.
RealBox unionOf(const RealBox& a, const RealBox& b)
{
    const double left = std::min(a.x, b.x), top = std::min(a.y, b.y);
    const double right = std::max(a.x + a.width, b.x + b.width), bottom = std::max(a.y + a.height, b.y + b.height);
    return RealBox{left, top, right - left, bottom - top};
}

}  // namespace

RealBox estimateBox(const Sample& e, float baseWidth, float baseHeight)
{
    const double width = static_cast<double>(baseWidth) * e.scaleX;
    const double height = static_cast<double>(baseHeight) * e.scaleY;
    return RealBox{e.posX - 0.5 * width, e.posY - 0.5 * height, width, height};
}

void TrackingSession::holdFittedBoxes()
{
    if (!fitter_)
        return;
    for (size_t i = 0; i < tracker_->targets.size(); ++i)
        if (const cv::Rect* r = fitter_->fittedPixels(i))
            areas_.push_back(grownRect(cvRect(r->x, r->y, r->width, r->height), kTargetAreaGrowth));
}

void TrackingSession::judgeStillTargets()
{
    if (!colours_ || !settings_.colour.background.stillRuleWhileStill)
        return;
    for (size_t i = 0; i < tracker_->targets.size(); ++i) {
        const Target& t = *tracker_->targets[i];
        if (!t.motion.lost)
            stillTargets_.observe(i, t.estimate.posX, t.estimate.posY);
    }
    colours_->setStillObjects(stillTargets_.anyStill());
}

void TrackingSession::fitBoxes()
{
    if (!fitter_)
        return;
    const cv::Mat bins = cv::cvarrToMat(colours_->binPlane());
    for (size_t i = 0; i < tracker_->targets.size(); ++i) {
        Target& t = *tracker_->targets[i];
        bool joined = false;
        if (t.motion.lost) {
            fitter_->forget(i);
        } else {
            const RealBox first{0.0, 0.0, t.baseWidth, t.baseHeight};
            const RealBox estimate = estimateBox(t.estimate, t.baseWidth, t.baseHeight);
            const cv::Rect window = fitWindow(estimate, first, bins.size());
            colours_->ensureConverted(cvRect(window.x, window.y, window.width, window.height));
            joined = BoxFitter::Fit::Joined == fitter_->fit(i, estimate, first, bins, colours_->foreground());
        }
        t.motion.coasting = coastsNow(settings_.motion, joined, t.motion);
    }
}

void TrackingSession::collectResults()
{
    const tavo& tracker = *tracker_;
    results_.resize(tracker.targets.size());
    for (size_t i = 0; i < results_.size(); ++i) {
        const Target& t = *tracker.targets[i];
        const Sample e = reportedEstimate(t);
        TrackedTarget& r = results_[i];
        r.id = t.id;
        r.box = estimateBox(e, t.baseWidth, t.baseHeight);
        r.x = e.posX;
        r.y = e.posY;
        r.velocityX = e.velX;
        r.velocityY = e.velY;
        r.scaleX = e.scaleX;
        r.scaleY = e.scaleY;
        r.lost = t.motion.lost;
        r.terms = ConfidenceTerms();
        if (fitter_)
            reportFit(i, t, r);
        r.inFrame = overlapsFrame(r.box, frameView_.cols, frameView_.rows);
        r.confidence = r.lost || !r.inFrame ? 0.0 : confidenceOf(i, t, r);
        r.state = states_.state(i);
    }
}

void TrackingSession::judgeStates()
{
    judgedBoxes_.resize(results_.size());
    for (size_t i = 0; i < results_.size(); ++i)
        judgedBoxes_[i] = results_[i].box;
    states_.judge(*tracker_, judgedBoxes_, frameView_.cols, frameView_.rows);
    for (size_t i = 0; i < results_.size(); ++i)
        results_[i].state = states_.state(i);
}

void TrackingSession::reportFit(size_t index, const Target& t, TrackedTarget& r)
{
    if (goodBoxes_.size() <= index)
        goodBoxes_.resize(index + 1, RealBox{-0.5 * r.box.width, -0.5 * r.box.height, r.box.width, r.box.height});
    if (!r.lost) {
        // The fit only widens the estimate's box: a patch smaller than it
        // misses the object's shaded or blurred edges.
        if (const RealBox* fitted = fitter_->fitted(index))
            r.box = unionOf(r.box, *fitted);
        const MotionState& m = t.motion;
        const Sample& e = t.estimate;
        const bool good = m.lastGoodX == e.posX && m.lastGoodY == e.posY && m.lastGoodScaleX == e.scaleX &&
                          m.lastGoodScaleY == e.scaleY;
        // Kept relative to the last good position, which a camera's motion moves.
        if (good || !settings_.motion.lostAndFound)
            goodBoxes_[index] = RealBox{r.box.x - m.lastGoodX, r.box.y - m.lastGoodY, r.box.width, r.box.height};
    } else {
        // The box reported on its last good frame.
        const RealBox& g = goodBoxes_[index];
        r.box = RealBox{t.motion.lastGoodX + g.x, t.motion.lastGoodY + g.y, g.width, g.height};
    }
    r.x = static_cast<float>(r.box.x + 0.5 * r.box.width);
    r.y = static_cast<float>(r.box.y + 0.5 * r.box.height);
    r.scaleX = static_cast<float>(r.box.width / t.baseWidth);
    r.scaleY = static_cast<float>(r.box.height / t.baseHeight);
}
