#include "tracker/tracking_session.h"

#include "tracker/box_fitting.h"
#include "tracker/target_areas.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <new>
#include <set>

namespace {

// Ids the session's targets wear while another is added (see addTarget):
// the tracker numbers new targets from 1 up, never down here.
constexpr int kIdSetAside = INT_MIN;

int trackWithTracker(tavo& tracker) { return tracker.track(); }
void drawWithTracker(tavo& tracker, CvMat* image) { tracker.draw(image); }

// The ids of the targets: those given, the others numbered after the
// highest given, in order; false with `error` set for a negative id or one
// given twice.
bool assignIds(const std::vector<TargetStart>& targets, std::vector<int>& ids, std::string& error)
{
    std::set<int> given;
    int highest = 0;
    for (const TargetStart& t : targets) {
        if (t.id < 0) {
            error = "target id " + std::to_string(t.id) + " is negative";
            return false;
        }
        if (t.id > 0 && !given.insert(t.id).second) {
            error = "target id " + std::to_string(t.id) + " is given twice";
            return false;
        }
        highest = std::max(highest, t.id);
    }
    ids.clear();
    for (const TargetStart& t : targets)
        ids.push_back(t.id > 0 ? t.id : ++highest);
    return true;
}

// Why a box cannot be tracked on a frame of that size; empty when it can.
std::string boxProblem(const Box& b, int columns, int rows)
{
    if (b.width <= 0 || b.height <= 0)
        return "has no area";
    if (const auto range = boxRangeProblem(b))
        return *range;
    if (b.x >= columns || b.y >= rows || int64_t{b.x} + b.width <= 0 || int64_t{b.y} + b.height <= 0)
        return "lies wholly outside the first frame (" + std::to_string(columns) + "x" + std::to_string(rows) + ")";
    return {};
}

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

std::optional<std::string> boxRangeProblem(const Box& b)
{
    const auto outside = [](int64_t v) { return v < -kMaxBoxCoordinate || v > kMaxBoxCoordinate; };
    if (outside(b.x) || outside(b.y) || outside(int64_t{b.x} + b.width) || outside(int64_t{b.y} + b.height))
        return "the rectangle reaches beyond " + std::to_string(kMaxBoxCoordinate) +
               " pixels from column 0 or row 0, the largest coordinate the tracker keeps exactly";
    // The tracker keeps a rectangle's area in a 32-bit int.
    if (int64_t{b.width} * b.height > INT32_MAX)
        return std::string("the rectangle is too large");
    return std::nullopt;
}

RealBox estimateBox(const Sample& e, float baseWidth, float baseHeight)
{
    const double width = static_cast<double>(baseWidth) * e.scaleX;
    const double height = static_cast<double>(baseHeight) * e.scaleY;
    return RealBox{e.posX - 0.5 * width, e.posY - 0.5 * height, width, height};
}

std::string estimateText(const Sample& e)
{
    char text[256];
    std::snprintf(text, sizeof text, "pos_x %.9g, pos_y %.9g, vel_x %.9g, vel_y %.9g, scale_x %.9g, scale_y %.9g",
                  static_cast<double>(e.posX), static_cast<double>(e.posY), static_cast<double>(e.velX),
                  static_cast<double>(e.velY), static_cast<double>(e.scaleX), static_cast<double>(e.scaleY));
    return text;
}

TrackingSession::TrackingSession(const TrackingSettings& settings, int64_t seed, CycleSteps steps)
    : settings_(resolved(settings)), seed_(seed), steps_(steps), ticks_(seed)
{
    if (!steps_.track)
        steps_.track = trackWithTracker;
    if (!steps_.draw)
        steps_.draw = drawWithTracker;
}

TrackingSession::~TrackingSession() = default;

std::unique_ptr<TrackingSession> TrackingSession::start(const cv::Mat& firstFrame, const std::vector<Box>& boxes,
                                                        const TrackingSettings& settings, int64_t seed,
                                                        std::string& error, CycleSteps steps)
{
    std::vector<TargetStart> targets;
    for (const Box& b : boxes)
        targets.push_back(TargetStart{b, 0});
    return start(firstFrame, targets, settings, seed, error, steps);
}

std::unique_ptr<TrackingSession> TrackingSession::start(const cv::Mat& firstFrame,
                                                        const std::vector<TargetStart>& targets,
                                                        const TrackingSettings& settings, int64_t seed,
                                                        std::string& error, CycleSteps steps,
                                                        const std::atomic<bool>* stop)
{
    const std::vector<SettingProblem> problems = settingProblems(settings);
    if (!problems.empty()) {
        const SettingProblem& p = problems.front();
        error = p.setting + " " + p.value + ": expected " + p.expected;
        return nullptr;
    }
    if (firstFrame.empty() || firstFrame.type() != CV_8UC3) {
        error = "the first frame is not an 8-bit image of three channels (BGR)";
        return nullptr;
    }
    if (const auto problem = frameProblem(settings, firstFrame.cols, firstFrame.rows)) {
        error = problem->setting + " " + problem->value + ": " + problem->expected;
        return nullptr;
    }
    if (targets.empty()) {
        error = "no targets to track";
        return nullptr;
    }
    for (const TargetStart& t : targets)
        if (t.frame < 1) {
            error = "a target joins on frame " + std::to_string(t.frame) + ": frames count from 1";
            return nullptr;
        }
    if (std::none_of(targets.begin(), targets.end(), [](const TargetStart& t) { return t.frame == 1; })) {
        error = "no targets on the first frame";
        return nullptr;
    }
    if (static_cast<int64_t>(targets.size()) > targetsThatFit(settings.tracking.samples)) {
        error = std::to_string(targets.size()) + " targets of " + std::to_string(settings.tracking.samples) +
                " samples do not fit in the sample store (at most " +
                std::to_string(targetsThatFit(settings.tracking.samples)) + ")";
        return nullptr;
    }
    std::unique_ptr<TrackingSession> session(new TrackingSession(settings, seed, steps));
    if (!session->setUp(firstFrame, targets, stop, error))
        return nullptr;
    if (!session->trackPrepared()) {
        error = session->error_;
        return nullptr;
    }
    return session;
}

bool TrackingSession::setUp(const cv::Mat& firstFrame, const std::vector<TargetStart>& targets,
                            const std::atomic<bool>* stop, std::string& error)
{
    std::vector<int> ids;
    if (!assignIds(targets, ids, error))
        return false;
    for (size_t i = 0; i < targets.size(); ++i) {
        const std::string problem = boxProblem(targets[i].box, firstFrame.cols, firstFrame.rows);
        if (!problem.empty()) {
            error = "target " + std::to_string(ids[i]) + " (box " + boxText(targets[i].box) + ") " + problem;
            return false;
        }
    }
    std::vector<TargetStart> first;
    for (size_t i = 0; i < targets.size(); ++i) {
        TargetStart t = targets[i];
        t.id = ids[i];
        (t.frame == 1 ? first : laterTargets_).push_back(t);
    }
    std::stable_sort(laterTargets_.begin(), laterTargets_.end(),
                     [](const TargetStart& a, const TargetStart& b) { return a.frame < b.frame; });
    prepare(firstFrame);
    if (settings_.usesAppearanceModels()) {
        colours_ = std::make_unique<ColourModelSource>(settings_.colour);
        colours_->prepareFrame(images_.hsv, images_.hue);
        // The first frame's background is unknown exactly where the
        // objects are; later frames hold the wider areas around them.
        for (const TargetStart& t : first)
            areas_.push_back(cvRect(t.box.x, t.box.y, t.box.width, t.box.height));
        colours_->prepareBackground(&images_.displayMatrix, areas_);
    }
    tracker_ = std::make_unique<tavo>(ticks_);
    tracker_->stopFlag = stop;
    tracker_->appearance = colours_.get();
    if (settings_.motion.any())
        tracker_->motion = &settings_.motion;
    tracker_->huePlane = images_.hue;

    const SamplingSettings& s = settings_.tracking;
    const int count = static_cast<int>(targets.size());
    if (!tracker_->init(images_.hue, s.samples, std::max(count, kStandardTargetCount))) {
        error = "out of memory: the sample store for " + std::to_string(count) + " targets of " +
                std::to_string(s.samples) + " samples cannot be had";
        return false;
    }
    tracker_->noiseScaleX = s.noise;
    tracker_->noiseScaleY = s.noise;
    tracker_->jointIterations = s.iterations;
    if (settings_.fit.enabled)
        fitter_ = std::make_unique<BoxFitter>();
    for (const TargetStart& t : first)
        if (!addTarget(t, error))
            return false;
    if (settings_.camera.mode != CameraMode::Still) {
        camera_ = std::make_unique<CameraFollower>(settings_.camera);
        followCamera();  // the first frame's corners, to follow into the next
    }
    if (!tracker_->setThreadCount(s.threads)) {
        error = "cannot start " + std::to_string(s.threads) + " threads";
        return false;
    }
    results_.resize(first.size());
    return true;
}

bool TrackingSession::addTarget(const TargetStart& start, std::string& error)
{
    // Adding a target finds it by the id the tracker gives it, which may be
    // one the caller gave another target: theirs are set aside meanwhile.
    std::vector<std::unique_ptr<Target>>& targets = tracker_->targets;
    for (size_t i = 0; i < targets.size(); ++i)
        targets[i]->id = kIdSetAside + static_cast<int>(i);
    const Box& b = start.box;
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

bool TrackingSession::prepare(const cv::Mat& frame)
{
    if (frame.empty() || frame.type() != CV_8UC3)
        return false;
    IplImage header = cvIplImage(frame);
    // The hue plane is read only by targets without appearance models.
    const bool hueRead = !settings_.usesAppearanceModels() || settings_.colour.space == ColourSpace::Hue;
    if (!prepareFrame(&header, images_, hueRead))
        return false;
    frameView_ = cv::cvarrToMat(&images_.displayMatrix);
    return true;
}

void TrackingSession::followCamera()
{
    if (!camera_)
        return;
    targetAreas(*tracker_, areas_);
    heldAreas_.clear();
    for (const CvRect& r : areas_)
        heldAreas_.push_back(cv::Rect(r.x, r.y, r.width, r.height));
    if (const cv::Matx23d* transform = camera_->next(frameView_, heldAreas_)) {
        moveTargetsWithCamera(*tracker_, *transform);
        if (colours_)
            colours_->moveBackgroundWith(*transform);
    }
}

StepOutcome TrackingSession::step(const cv::Mat& frame)
{
    if (!prepare(frame))
        return StepOutcome::OtherFrameKind;
    followCamera();
    if (colours_) {
        colours_->prepareFrame(images_.hsv, images_.hue);
        if (colours_->usesBackground()) {
            targetAreas(*tracker_, areas_);
            holdFittedBoxes();
            colours_->prepareBackground(&images_.displayMatrix, areas_);
        }
    }
    if (!trackPrepared())
        return tracker_->stopped() ? StepOutcome::Interrupted : StepOutcome::BrokenDown;
    if (!joinLaterTargets())
        return StepOutcome::BrokenDown;
    return StepOutcome::Tracked;
}

bool TrackingSession::trackPrepared()
{
    ++frameNumber_;
    tavo& tracker = *tracker_;
    tracker.huePlane = images_.hue;
    steps_.track(tracker);
    if (tracker.stopped()) {
        error_ = "stopped on frame " + std::to_string(frameNumber_);
        return false;
    }
    steps_.draw(tracker, nullptr);  // the estimates
    for (const auto& target : tracker.targets) {
        const Sample& e = target->estimate;
        for (const float v : {e.posX, e.posY, e.velX, e.velY, e.scaleX, e.scaleY})
            if (!std::isfinite(v)) {
                error_ = "the estimate of target " + std::to_string(target->id) + " is not finite on frame " +
                         std::to_string(frameNumber_) + " (" + estimateText(e) + "): the tracking has broken down";
                return false;
            }
    }
    adaptReferences(tracker, settings_.adaptation);
    updateMotionStates(tracker);
    if (frameNumber_ > 1)
        fitBoxes();
    collectResults();
    return true;
}

void TrackingSession::holdFittedBoxes()
{
    if (!fitter_)
        return;
    for (size_t i = 0; i < tracker_->targets.size(); ++i)
        if (const cv::Rect* r = fitter_->fittedPixels(i))
            areas_.push_back(grownRect(cvRect(r->x, r->y, r->width, r->height), kTargetAreaGrowth));
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
            joined = BoxFitter::Fit::Joined == fitter_->fit(i, estimateBox(t.estimate, t.baseWidth, t.baseHeight),
                                                            first, bins, colours_->foreground());
        }
        t.motion.coasting = settings_.motion.coastWhenJoined && joined;
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
        if (fitter_)
            reportFit(i, t, r);
        r.inFrame = overlapsFrame(r.box, frameView_.cols, frameView_.rows);
        r.confidence = r.lost || !r.inFrame ? 0.0 : t.motion.confidence;
    }
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

void TrackingSession::draw(cv::Mat& image)
{
    CvMat header = cvMat(image);
    steps_.draw(*tracker_, &header);
}
