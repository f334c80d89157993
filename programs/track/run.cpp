#include "programs/track/run.h"

#include "rendering/display_check.h"
#include "programs/track/first_frame_check.h"
#include "programs/track/interrupts.h"
#include "programs/track/setting_warnings.h"
#include "programs/track/target_selection.h"
#include "programs/track/tracking_run.h"
#include "core/memory_estimate.h"

#include <algorithm>
#include <iterator>

namespace tavo_cli {

namespace {

// The frame rate --video is written at when the input declares none, and
// the slowest one it is written at: FFmpeg cannot write a video much slower
// than one frame in 100 seconds.
constexpr double kRateWhenUnknown = 25.0;
constexpr double kSlowestWrittenRate = 0.01;

double millisecondsSince(TrackingRun::Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(TrackingRun::Clock::now() - start).count();
}

// The boxes of the targets on the first frame tracked, in order.
std::vector<Box> startingBoxes(const std::vector<TargetStart>& starts)
{
    std::vector<Box> boxes;
    for (const TargetStart& start : starts)
        if (start.frame == 1)
            boxes.push_back(start.box);
    return boxes;
}

}  // namespace

double TrackingRun::framesPerSecond() const
{
    const double fps = video_->declaredRate();
    return fps >= kSlowestWrittenRate ? fps : kRateWhenUnknown;
}

int TrackingRun::plannedFrames() const
{
    int last = video_->declaredFrames();
    const int64_t lastAsked = options_.frames > 0 ? int64_t{options_.start} - 1 + options_.frames : 0;
    if (lastAsked > 0 && lastAsked <= INT32_MAX && (last <= 0 || lastAsked < last))
        last = static_cast<int>(lastAsked);
    return last;
}

// Outputs that clash with inputs or protected files, and windows without a
// display, are refused before anything is read.
TrackingRun::Verdict TrackingRun::checkRequest()
{
    if (const auto clash = clashingFiles(options_)) {
        message(*clash);
        return kExitUsage;
    }
    if (const auto refusal = protectedOutput(options_)) {
        message(*refusal);
        return kExitUsage;
    }
    if (const auto refusal = editingRefusal(options_)) {
        message(*refusal);
        return kExitUsage;
    }
    if (options_.select || options_.show) {
        if (const auto why = missingDisplay()) {
            message(std::string(options_.select ? "--select" : "--show") + " needs a display: " + *why);
            return kExitUsage;
        }
    }
    return std::nullopt;
}

// The targets and the ground truth, and whether their samples fit in memory.
TrackingRun::Verdict TrackingRun::readInputs()
{
    std::string error;
    int loaded;
    {
        const WaitingForInputs waiting;
        loaded = loadInputs(options_, inputs_, error);
    }
    if (loaded != kExitSuccess) {
        message(error);
        return loaded;
    }
    if (!options_.applyEditsFile.empty() && !readEditsFile(options_.applyEditsFile, fileEdits_, error)) {
        message(error);
        return kExitRunError;
    }
    for (const std::string& text : settingWarnings(options_))
        warning(text);
    for (const std::string& text : inputs_.warnings)
        warning(text);
    if (const auto refusal = memoryRefusal(static_cast<int64_t>(inputs_.boxes.size()),
                                           options_.settings.tracking.samples, physicalMemory())) {
        message(*refusal);
        return kExitUsage;
    }
    return std::nullopt;
}

// The video or camera, at the first frame to track.
TrackingRun::Verdict TrackingRun::openVideo()
{
    std::string error;
    VideoFault fault;
    {
        const WaitingForInputs waiting;
        video_ = VideoSource::open(VideoOrigin{options_.video, options_.camera, options_.start}, error, fault);
    }
    if (!video_) {
        message(error);
        return kExitRunError;
    }
    const IplImage* first = video_->frame();
    if (const auto problem = frameProblem(options_.settings, first->width, first->height)) {
        message("--" + problem->setting + " " + problem->value + ": " + problem->expected);
        return kExitUsage;
    }
    if (const double fps = video_->declaredRate(); !options_.videoFile.empty() && fps > 0 && fps < kSlowestWrittenRate) {
        char rate[32];
        std::snprintf(rate, sizeof rate, "%g", fps);
        warning("'" + video_->name() + "' declares " + rate + " frames/s, slower than a video file can be "
                "written at; --video is written at " + std::to_string(static_cast<int>(kRateWhenUnknown)) +
                " frames/s");
    }
    firstFrame_ = cv::cvarrToMat(first).clone();
    return std::nullopt;
}

// Every output, the pictures too, is created before the targets are chosen
// and tracked, so that a long run does not end with nowhere to put its
// results.
TrackingRun::Verdict TrackingRun::openOutputs()
{
    std::string error;
    if (!options_.editsFile.empty() && !editsOut_.open(options_.editsFile, error)) {
        message(error);
        return kExitRunError;
    }
    if (!outputs_.open(options_, framesPerSecond(), video_->frameSize(), error)) {
        message(error);
        return kExitRunError;
    }
    for (const std::string& text : outputs_.warnings())
        warning(text);
    return std::nullopt;
}

// The targets: as given, or chosen in a window with --select.
TrackingRun::Verdict TrackingRun::chooseTargets()
{
    if (options_.select) {
        GivenTargets targets{std::move(inputs_.boxes), std::move(inputs_.ids)};
        std::string error;
        const int status =
            selectTargets(firstFrame_, targets, targetsThatFit(options_.settings.tracking.samples), error, err_);
        if (status != kExitSuccess) {
            message(error);
            return status;
        }
        message("targets: " + boxOptions(targets));
        inputs_.boxes = std::move(targets.boxes);
        inputs_.ids = std::move(targets.ids);
    }
    for (size_t i = 0; i < inputs_.boxes.size(); ++i)
        starts_.push_back(TargetStart{inputs_.boxes[i], i < inputs_.ids.size() ? inputs_.ids[i] : 0,
                                      i < inputs_.frames.size() ? inputs_.frames[i] - options_.start + 1 : 1});
    return std::nullopt;
}

// The session, seeded reproducibly: from --seed, or from a seed drawn now
// and printed, so that the run can be repeated.  Each target is scored
// against the ground-truth object of its id.
TrackingRun::Verdict TrackingRun::startSession()
{
    seed_ = options_.seed ? *options_.seed : drawSeed();
    std::string error;
    firstStart_ = Clock::now();
    session_ = TrackingSession::start(firstFrame_, starts_, options_.settings, seed_, error, {}, stopFlag());
    firstMs_ = millisecondsSince(firstStart_);
    if (!session_ && stopRequested()) {
        message("interrupted after 0 frames");
        return interruptedExitStatus(stopSignal());
    }
    if (!session_) {
        message(error);
        return kExitRunError;
    }
    // The targets of the first frame, as the session numbered them; those
    // of later frames follow in the order of their frames, as the session
    // takes them.
    std::vector<int> ids;
    for (const TrackedTarget& target : session_->targets())
        ids.push_back(target.id);
    for (const std::string& text : blankBoxWarnings(firstFrame_, startingBoxes(starts_), ids))
        warning(text);
    std::vector<TargetStart> later;
    std::copy_if(starts_.begin(), starts_.end(), std::back_inserter(later),
                 [](const TargetStart& t) { return t.frame > 1; });
    std::stable_sort(later.begin(), later.end(),
                     [](const TargetStart& a, const TargetStart& b) { return a.frame < b.frame; });
    for (const TargetStart& t : later)
        ids.push_back(t.id);
    if (!startEditor(options_, inputs_, ids, editor_, error)) {
        message(error);
        return kExitRunError;
    }
    editor_.fileEdits(std::move(fileEdits_), options_.applyEditsFile);
    if (inputs_.truth)
        scorer_.emplace(std::move(*inputs_.truth), std::move(ids));
    if (options_.timings)
        session_->setStageTimes(&stages_);
    return std::nullopt;
}

// What looks at every frame tracked: the targets leaving the frame, the
// paths for --plot, the live window for --show.
TrackingRun::Verdict TrackingRun::watchFrames()
{
    observers_.push_back(&exits_);
    if (!options_.plotFile.empty())
        observers_.push_back(&paths_);
    if (options_.show) {
        if (const auto why = missingDisplay()) {  // gone while the first frame was tracked
            message("the window's display is gone (" + *why + "): interrupted after 0 frames");
            return interruptedExitStatus(kDisplayLostSignal);
        }
        observers_.push_back(&view_.emplace(
            Playback{firstFrame_.size(), plannedFrames(), framesPerSecond(), options_.showAsFastAsTracked},
            [this](TargetEdit& edit) { return makeLiveEdit(edit); }));
    }
    return std::nullopt;
}

int runTracking(const Options& options, std::FILE* out, std::FILE* err)
{
    TrackingRun run(options, out, err);
    for (const auto step : {&TrackingRun::checkRequest, &TrackingRun::readInputs, &TrackingRun::openVideo,
                            &TrackingRun::openOutputs, &TrackingRun::chooseTargets, &TrackingRun::startSession,
                            &TrackingRun::watchFrames})
        if (const TrackingRun::Verdict status = (run.*step)())
            return *status;
    return run.trackAndFinish();
}

}  // namespace tavo_cli
