#include "session/tracking_session.h"

#include "appearance/box_fitting.h"
#include "session/session_checks.h"
#include "appearance/target_areas.h"

#include <algorithm>

namespace {

int trackWithTracker(tavo& tracker) { return tracker.track(); }
void drawWithTracker(tavo& tracker, CvMat* image) { tracker.draw(image); }

}  // namespace

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
    if (const auto problem = startProblem(firstFrame, targets, settings)) {
        error = *problem;
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
    for (const int id : ids)
        highestId_ = std::max(highestId_, id);
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
        fitter_ = std::make_unique<BoxFitter>(settings_.fit);
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

bool TrackingSession::prepare(const cv::Mat& frame)
{
    if (frame.empty() || frame.type() != CV_8UC3)
        return false;
    IplImage header = cvIplImage(frame);
    // The hue plane is read only by targets without appearance models.
    const bool hueRead = !settings_.usesAppearanceModels() || settings_.colour.space == ColourSpace::Hue;
    const bool wholeHsv = !(colours_ && colours_->convertsNearTargets());
    if (!prepareFrame(&header, images_, hueRead, tracker_ ? tracker_->workers.get() : nullptr, wholeHsv))
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

void TrackingSession::prepareColours()
{
    tavo& tracker = *tracker_;
    colours_->setWorkers(tracker.workers.get());
    CvRect near = cvRect(0, 0, INT_MAX, INT_MAX);
    if (colours_->usesBackground()) {
        targetAreas(tracker, areas_);
        holdFittedBoxes();
        if (settings_.colour.background.nearTargets)
            near = nearArea(tracker, areas_, frameView_.cols, frameView_.rows);
    }
    if (colours_->convertsNearTargets())
        colours_->prepareFrameNear(&images_.displayMatrix, images_.hsv, near);
    else
        colours_->prepareFrame(images_.hsv, images_.hue);
    tracker.lap(Stage::Conversion);
    if (colours_->usesBackground()) {
        colours_->prepareBackground(&images_.displayMatrix, areas_, near);
        tracker.lap(Stage::Background);
    }
}

void TrackingSession::prepareAround(const Box& box)
{
    // The model learns the box, the box fit a ring of half its size around it.
    if (colours_)
        colours_->ensureConverted(grownRect(cvRect(box.x, box.y, box.width, box.height), kNearReach));
}

StepOutcome TrackingSession::step(const cv::Mat& frame)
{
    tavo& tracker = *tracker_;
    if (!prepare(frame))
        return StepOutcome::OtherFrameKind;
    tracker.lap(Stage::Conversion);
    followCamera();
    tracker.lap(Stage::CameraMotion);
    if (colours_)
        prepareColours();
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
    tracker.lap(Stage::Measuring);  // a cycle that times none of its own stages
    if (tracker.stopped()) {
        error_ = "stopped on frame " + std::to_string(frameNumber_);
        return false;
    }
    tracker.estimateTargets();
    if (const auto problem = brokenDown(tracker, frameNumber_)) {
        error_ = *problem;
        return false;
    }
    adaptReferences(tracker, settings_.adaptation);
    updateMotionStates(tracker);
    judgeStillTargets();
    tracker.lap(Stage::Estimates);
    if (frameNumber_ > 1)
        fitBoxes();
    tracker.lap(Stage::BoxFitting);
    collectResults();
    judgeStates();
    tracker.lap(Stage::Estimates);
    return true;
}

void TrackingSession::draw(cv::Mat& image)
{
    CvMat header = cvMat(image);
    steps_.draw(*tracker_, &header);
}
