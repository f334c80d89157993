#include "cli/run.h"

#include "app/video_capture.h"
#include "cli/first_frame_check.h"
#include "cli/frame_exits.h"
#include "cli/interrupts.h"
#include "cli/display_loss.h"
#include "tracker/memory_estimate.h"
#include "app/display_check.h"
#include "cli/frame_observer.h"
#include "cli/live_view.h"
#include "cli/outputs.h"
#include "cli/progress.h"
#include "cli/run_inputs.h"
#include "cli/run_plots.h"
#include "evaluation/scoring.h"
#include "cli/setting_warnings.h"
#include "cli/target_paths.h"
#include "cli/target_edits.h"
#include "cli/target_selection.h"
#include "cli/timing.h"
#include "render/box_drawing.h"
#include "tracker/tracking_session.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <future>
#include <iterator>
#include <memory>
#include <optional>
#include <unistd.h>

namespace tavo_cli {

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void message(std::FILE* err, const std::string& text) { std::fprintf(err, "tavo-track: %s\n", text.c_str()); }
void warning(std::FILE* err, const std::string& text) { message(err, "warning: " + text); }

std::string frameKind(const IplImage* f)
{
    return std::to_string(f->width) + "x" + std::to_string(f->height) + ", depth " + std::to_string(f->depth & 0xff) +
           " bits, " + std::to_string(f->nChannels) + " channels";
}

struct CaptureCloser {
    void operator()(FileCapture* c) const { releaseCapture(&c); }
};

// The frame rate --video is written at when the input declares none, and
// the slowest one it is written at: FFmpeg cannot write a video much slower
// than one frame in 100 seconds.
constexpr double kRateWhenUnknown = 25.0;
constexpr double kSlowestWrittenRate = 0.01;

// The input video and its current frame (owned by the capture, valid until
// the next frame is read).
struct VideoInput {
    std::unique_ptr<FileCapture, CaptureCloser> capture;
    std::string name;  // for messages: the video's, or "camera N"
    IplImage* frame = nullptr;
    std::string firstKind;  // the first frame's size and type, for messages

    CvSize frameSize() const { return cvSize(frame->width, frame->height); }
    double framesPerSecond() const
    {
        const double fps = captureFrameRate(capture.get());
        return fps >= kSlowestWrittenRate ? fps : kRateWhenUnknown;
    }
    // A declared rate too slow to write.
    bool tooSlowToWrite() const
    {
        const double fps = captureFrameRate(capture.get());
        return fps > 0 && fps < kSlowestWrittenRate;
    }
};

// Opens the video or camera; false with `error` set.
bool openInput(const Options& options, VideoInput& video, std::string& error)
{
    video.name = options.camera ? "camera " + std::to_string(*options.camera) : options.video;
    if (options.camera) {
        video.capture.reset(createCameraCapture(*options.camera));
        if (!video.capture) {
            error = "--camera " + std::to_string(*options.camera) + ": " + cameraProblem(*options.camera);
            return false;
        }
    } else {
        video.capture.reset(createFileCapture(options.video.c_str()));
        if (!video.capture) {
            error = "cannot open the video '" + options.video + "': " + openProblem(options.video.c_str());
            return false;
        }
    }
    return true;
}

// Opens the video or camera and reads its first frame to track (that of
// --start); false with `error` set.
bool openVideo(const Options& options, VideoInput& video, std::string& error)
{
    if (!openInput(options, video, error))
        return false;
    const std::string& name = video.name;
    if (const int skipped = skipFrames(video.capture.get(), options.start - 1); skipped < options.start - 1) {
        error = "'" + name + "' has " + std::to_string(skipped) + " frames: --start " +
                std::to_string(options.start) + " lies beyond its end";
        return false;
    }
    video.frame = queryFrame(video.capture.get());
    if (!video.frame) {
        const std::string problem = captureProblem(video.capture.get());
        const int declared = captureFrameCount(video.capture.get());
        if (!problem.empty())
            error = "cannot use the first frame of '" + name + "': " + problem;
        else if (options.start > 1 && declared < options.start)
            error = "'" + name + "' has " + std::to_string(options.start - 1) + " frames: --start " +
                    std::to_string(options.start) + " lies beyond its end";
        else if (declared > 0)
            error = "cannot decode the first frame of '" + name + "', though the file declares " +
                    std::to_string(declared) + " frames";
        else
            error = "the video '" + name + "' has no frames";
        return false;
    }
    if ((video.frame->depth & 0xff) != 8 || video.frame->nChannels != 3) {
        error = "cannot use the first frame of '" + name + "' (" + frameKind(video.frame) + ")";
        return false;
    }
    video.firstKind = frameKind(video.frame);
    return true;
}

// The video's last frame the run will track, as far as known in advance
// (0: unknown).
int plannedFrames(const Options& options, FileCapture* capture)
{
    int last = captureFrameCount(capture);
    const int64_t lastAsked = options.frames > 0 ? int64_t{options.start} - 1 + options.frames : 0;
    if (lastAsked > 0 && lastAsked <= INT32_MAX && (last <= 0 || lastAsked < last))
        last = static_cast<int>(lastAsked);
    return last;
}

// How the frame loop ended: the exit status so far, and whether the result
// files hold whole, valid frames and are to be kept.
struct TrackingEnd {
    int status = kExitSuccess;
    bool keepResults = true;
    bool displayLost = false;  // the live window's display went away
};

// A window's display that goes away ends the run as a hangup would.
constexpr int kDisplayLostSignal = SIGHUP;

// The frame annotated for the video output and the observers that show
// it, drawn in the --draw style only when one of them asks for it.  The
// boxes drawing keeps the targets' trails from frame to frame.
class Annotation {
public:
    Annotation(bool wanted, DrawingStyle style, bool states) : wanted_(wanted), style_(style)
    {
        boxes_.showStates(states);
    }
    const CvMat* draw(TrackingSession& session)
    {
        if (!wanted_)
            return nullptr;
        session.frame().copyTo(image_);
        if (style_ == DrawingStyle::Design)
            session.draw(image_);
        else
            boxes_.draw(session, image_, style_ == DrawingStyle::Samples);
        header_ = cvMat(image_);
        return &header_;
    }

private:
    bool wanted_;
    DrawingStyle style_;
    BoxDrawing boxes_;
    cv::Mat image_;
    CvMat header_;
};

// How often the live window is looked at while a frame is tracked: the
// frame's end is waited for in between, so that it counts no longer than
// it took.
constexpr std::chrono::milliseconds kWindowPollInterval(20);

// Tracks the next frame.  With the live window, the frame is tracked on
// another thread while this one keeps the window answering, so that Escape
// or closing it stops even a long frame.
StepOutcome stepSession(TrackingSession& session, const cv::Mat& frame, LiveView* view)
{
    if (!view)
        return session.step(frame);
    std::future<StepOutcome>& pending = view->step();
    pending = std::async(std::launch::async, [&] { return session.step(frame); });
    while (pending.wait_for(kWindowPollInterval) != std::future_status::ready)
        if (!view->stillWanted())
            requestStop();
    return pending.get();
}

// The editor's changes on the video's frame `frame`, its warnings printed.
void applyEdits(TargetEditor& editor, TrackingSession& session, int frame, std::FILE* err)
{
    std::vector<std::string> warnings;
    editor.apply(session, frame, warnings);
    for (const std::string& text : warnings)
        warning(err, text);
}

// Writes, scores and shows every frame from the session's first on, then
// tracks the next, until the video ends, --frames is reached, a stop is
// requested (a signal, or an observer such as the live window) or something
// fails.  `firstMs` is the time the session took to start.
TrackingEnd trackFrames(const Options& options, TrackingSession& session, VideoInput& video, Outputs& outputs,
                        Scorer* scorer, TargetEditor& editor, const std::vector<FrameObserver*>& observers,
                        LiveView* view, double firstMs, Clock::time_point firstStart, FrameTimes& times,
                        std::FILE* err)
{
    Progress progress(Progress::kindFor(options.progress.value_or(!options.quiet), err),
                      plannedFrames(options, video.capture.get()), err);
    bool drawingWanted = outputs.needsDrawing();
    for (const FrameObserver* observer : observers)
        drawingWanted = drawingWanted || observer->needsDrawing();
    Annotation annotation(drawingWanted, options.drawing, options.states);
    const bool withConfidence = session.settings().motion.lostAndFound;
    TrackingEnd end;
    std::string error;
    std::vector<RealBox> scoreBoxes;
    std::vector<char> scoreLost;
    double trackMs = firstMs;
    Clock::time_point frameStart = firstStart;
    // Frames are numbered as in the video, from --start on.
    const int skipped = options.start - 1;
    for (;;) {
        const int frameNumber = session.frameNumber() + skipped;
        if (editor.active())
            applyEdits(editor, session, frameNumber, err);
        const CvMat* annotated = annotation.draw(session);
        if (!outputs.writeFrame(frameNumber, session.targets(), withConfidence, annotated, error)) {
            message(err, error);
            end = TrackingEnd{kExitRunError, false};
            break;
        }
        if (scorer && editor.active()) {
            editor.scoringRow(session.targets(), scoreBoxes, scoreLost);
            scorer->addFrame(frameNumber, scoreBoxes, scoreLost);
        } else if (scorer) {
            scoreBoxes.clear();
            scoreLost.clear();
            for (const TrackedTarget& target : session.targets()) {
                scoreBoxes.push_back(target.box);
                scoreLost.push_back(target.lost ? 1 : 0);
            }
            scorer->addFrame(frameNumber, scoreBoxes, scoreLost);
        }
        times.add(trackMs, millisecondsSince(frameStart));
        progress.update(frameNumber, times);
        // Outside the frame's time: a paused window would count as tracking.
        bool goOn = true;
        for (FrameObserver* observer : observers)
            goOn = observer->frameTracked(frameNumber, session.targets(), annotated) && goOn;
        if (!goOn)
            break;
        if (options.frames > 0 && session.frameNumber() >= options.frames)
            break;
        if (stopRequested())
            break;

        frameStart = Clock::now();
        video.frame = queryFrame(video.capture.get());
        if (!video.frame) {
            const int declared = captureFrameCount(video.capture.get());
            if (const std::string problem = captureProblem(video.capture.get()); !problem.empty()) {
                message(err, "cannot use frame " + std::to_string(frameNumber + 1) + " of '" + video.name +
                                 "': " + problem + ": stopped after frame " + std::to_string(frameNumber));
                // A failed run: earlier result files stay as they were.
                end = TrackingEnd{kExitRunError, false};
            } else if (declared > frameNumber)
                warning(err, "'" + video.name + "' ends early: frame " + std::to_string(frameNumber + 1) +
                                 " cannot be read, though the file declares " + std::to_string(declared) +
                                 " frames; the results cover frames " + std::to_string(options.start) + " to " +
                                 std::to_string(frameNumber));
            break;
        }
        const Clock::time_point trackStart = Clock::now();
        const StepOutcome outcome = stepSession(session, cv::cvarrToMat(video.frame), view);
        trackMs = millisecondsSince(trackStart);
        if (outcome == StepOutcome::Interrupted)
            break;  // the frame is incomplete: nothing of it is written
        if (outcome == StepOutcome::OtherFrameKind) {
            message(err, "frame " + std::to_string(frameNumber + 1) + " of '" + video.name + "' is " +
                             frameKind(video.frame) + ", unlike the first frame (" + video.firstKind +
                             "): stopped after frame " + std::to_string(frameNumber));
            end.status = kExitRunError;  // the frames before it are whole: they are kept
            break;
        }
        if (outcome == StepOutcome::BrokenDown) {
            message(err, session.error());
            end = TrackingEnd{kExitRunError, false};
            break;
        }
    }
    progress.clear();
    return end;
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

// Writes to the standard output (null when the caller closed it); false
// with `failure` set to the first errno.
bool printOut(std::FILE* out, const std::string& text, int& failure)
{
    if (failure)
        return false;
    errno = 0;
    if (!out)
        failure = EBADF;
    else if (std::fputs(text.c_str(), out) == EOF)
        failure = errno ? errno : EIO;
    return failure == 0;
}

}  // namespace

int runTracking(const Options& options, std::FILE* out, std::FILE* err)
{
    if (const auto clash = clashingFiles(options)) {
        message(err, *clash);
        return kExitUsage;
    }
    if (const auto refusal = protectedOutput(options)) {
        message(err, *refusal);
        return kExitUsage;
    }
    if (const auto refusal = editingRefusal(options)) {
        message(err, *refusal);
        return kExitUsage;
    }
    if (options.select || options.show) {
        if (const auto why = missingDisplay()) {
            message(err, std::string(options.select ? "--select" : "--show") + " needs a display: " + *why);
            return kExitUsage;
        }
    }
    RunInputs inputs;
    std::string error;
    int loaded;
    {
        const WaitingForInputs waiting;
        loaded = loadInputs(options, inputs, error);
    }
    if (const int status = loaded; status != kExitSuccess) {
        message(err, error);
        return status;
    }
    for (const std::string& text : settingWarnings(options))
        warning(err, text);
    for (const std::string& text : inputs.warnings)
        warning(err, text);
    const SamplingSettings& sampling = options.settings.tracking;
    if (const auto refusal = memoryRefusal(static_cast<int64_t>(inputs.boxes.size()), sampling.samples,
                                           physicalMemory())) {
        message(err, *refusal);
        return kExitUsage;
    }
    VideoInput video;
    bool opened;
    {
        const WaitingForInputs waiting;
        opened = openVideo(options, video, error);
    }
    if (!opened) {
        message(err, error);
        return kExitRunError;
    }
    if (const auto problem = frameProblem(options.settings, video.frame->width, video.frame->height)) {
        message(err, "--" + problem->setting + " " + problem->value + ": " + problem->expected);
        return kExitUsage;
    }
    if (!options.videoFile.empty() && video.tooSlowToWrite()) {
        char rate[32];
        std::snprintf(rate, sizeof rate, "%g", captureFrameRate(video.capture.get()));
        warning(err, "'" + video.name + "' declares " + rate + " frames/s, slower than a video file can be "
                     "written at; --video is written at " + std::to_string(static_cast<int>(kRateWhenUnknown)) +
                     " frames/s");
    }
    // Every output, the pictures too, is created before the targets are
    // chosen and tracked, so that a long run does not end with nowhere to
    // put its results.
    Outputs outputs;
    if (!outputs.open(options, video.framesPerSecond(), video.frameSize(), error)) {
        message(err, error);
        return kExitRunError;
    }
    for (const std::string& text : outputs.warnings())
        warning(err, text);
    const cv::Mat firstFrame = cv::cvarrToMat(video.frame).clone();
    if (options.select) {
        GivenTargets targets{std::move(inputs.boxes), std::move(inputs.ids)};
        const int status = selectTargets(firstFrame, targets, targetsThatFit(sampling.samples), error, err);
        if (status != kExitSuccess) {
            message(err, error);
            return status;
        }
        message(err, "targets: " + boxOptions(targets));
        inputs.boxes = std::move(targets.boxes);
        inputs.ids = std::move(targets.ids);
    }

    // The session, seeded reproducibly: from --seed, or from a seed drawn
    // now and printed, so that the run can be repeated.
    const int64_t seed = options.seed ? *options.seed : drawSeed();
    std::vector<TargetStart> starts;
    for (size_t i = 0; i < inputs.boxes.size(); ++i)
        starts.push_back(TargetStart{inputs.boxes[i], i < inputs.ids.size() ? inputs.ids[i] : 0,
                                     i < inputs.frames.size() ? inputs.frames[i] - options.start + 1 : 1});
    const Clock::time_point firstStart = Clock::now();
    const std::unique_ptr<TrackingSession> session =
        TrackingSession::start(firstFrame, starts, options.settings, seed, error, {}, stopFlag());
    const double firstMs = millisecondsSince(firstStart);
    if (!session && stopRequested()) {
        message(err, "interrupted after 0 frames");
        return interruptedExitStatus(stopSignal());
    }
    if (!session) {
        message(err, error);
        return kExitRunError;
    }

    // The targets of the first frame, as the session numbered them; those of
    // later frames follow in the order they join.
    std::vector<int> ids;
    for (const TrackedTarget& target : session->targets())
        ids.push_back(target.id);
    for (const std::string& text : blankBoxWarnings(firstFrame, startingBoxes(starts), ids))
        warning(err, text);
    std::vector<TargetStart> later;
    std::copy_if(starts.begin(), starts.end(), std::back_inserter(later),
                 [](const TargetStart& t) { return t.frame > 1; });
    // The session takes them in the order of their frames.
    std::stable_sort(later.begin(), later.end(),
                     [](const TargetStart& a, const TargetStart& b) { return a.frame < b.frame; });
    for (const TargetStart& t : later)
        ids.push_back(t.id);
    TargetEditor editor({}, 0, options.targetsFile);
    if (!startEditor(options, inputs, ids, editor, error)) {
        message(err, error);
        return kExitRunError;
    }
    // Each target is scored against the ground-truth object of its id.
    std::optional<Scorer> scorer;
    if (inputs.truth)
        scorer.emplace(std::move(*inputs.truth), std::move(ids));

    std::vector<FrameObserver*> observers;
    FrameExits exits;
    observers.push_back(&exits);
    PathRecorder paths;
    if (!options.plotFile.empty())
        observers.push_back(&paths);
    std::optional<LiveView> view;
    if (options.show) {
        if (const auto why = missingDisplay()) {  // gone while the first frame was tracked
            message(err, "the window's display is gone (" + *why + "): interrupted after 0 frames");
            return interruptedExitStatus(kDisplayLostSignal);
        }
        observers.push_back(&view.emplace(Playback{firstFrame.size(), plannedFrames(options, video.capture.get()),
                                                   video.framesPerSecond(), options.showAsFastAsTracked}));
    }

    FrameTimes times;
    // The run's ending, after the frame loop or from within it when the
    // window's display goes away.
    const auto finish = [&](const TrackingEnd& end) {
        int status = end.status;
        bool keep = end.keepResults;
        for (const std::string& text : exits.warnings())
            warning(err, text);
        if (stopRequested() || end.displayLost) {
            message(err, std::string(end.displayLost ? "the window's display is gone: " : "") + "interrupted after " +
                             counted(times.frames(), "frame"));
            if (status == kExitSuccess)
                status = interruptedExitStatus(end.displayLost ? kDisplayLostSignal : stopSignal());
        }
        if (keep && !outputs.close(error)) {
            message(err, error);
            status = kExitRunError;
            keep = false;
        }
        if (keep && !options.plotFile.empty() &&
            !writePlots(outputs, firstFrame, paths.paths(), scorer ? &*scorer : nullptr, error)) {
            message(err, error);
            status = kExitRunError;
            keep = false;
        }

        // The summary and the report belong to the results: when they cannot
        // be written, the run has failed; a run whose results are not kept
        // has none.
        int outFailure = 0;
        const std::string seedText = "seed " + std::to_string(seed);
        if (!keep)
            ;
        else if (!options.quiet)
            printOut(out,
                     times.summary(static_cast<int>(session->targets().size()) + editor.droppedCount(),
                                   millisecondsSince(firstStart) / 1000) +
                         (view && view->stopped() ? ", stopped early from the window" : "") + ", " + seedText + "\n",
                     outFailure);
        else if (options.printSeed)
            printOut(out, seedText + "\n", outFailure);
        if (keep && !options.quiet)
            for (const std::string& note : editor.notes())
                printOut(out, note + "\n", outFailure);
        if (scorer && keep)
            printOut(out, formatReport(scorer->report(), options.gtFile), outFailure);
        errno = 0;
        if (out && std::fflush(out) != 0 && !outFailure)
            outFailure = errno ? errno : EIO;
        if (outFailure) {
            message(err, std::string("cannot write the standard output: ") + std::strerror(outFailure));
            status = kExitRunError;
            keep = false;
        }

        if (keep && !outputs.commit(error)) {
            message(err, error);
            status = kExitRunError;
            keep = false;
        }
        if (!keep)
            outputs.discard();
        return status;
    };
    std::optional<DisplayLossGuard> displayLoss;
    if (view)
        displayLoss.emplace([&] {
            requestStop();
            if (view->step().valid())
                view->step().wait();  // the frame tracked meanwhile stops at once, unwritten
            return finish(TrackingEnd{kExitSuccess, true, true});
        });
    const int status = finish(trackFrames(options, *session, video, outputs, scorer ? &*scorer : nullptr, editor,
                                          observers, view ? &*view : nullptr, firstMs, firstStart, times, err));
    // The results are written: the last frame stays on screen until the
    // user is done with it, and a display lost meanwhile changes nothing.
    if (view && !stopRequested()) {
        displayLoss.emplace([status] { return status; });
        view->waitAtEnd();
    }
    return status;
}

}  // namespace tavo_cli
