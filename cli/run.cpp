#include "cli/run.h"

#include "app/frame_preparation.h"
#include "app/video_capture.h"
#include "cli/interrupts.h"
#include "cli/memory_estimate.h"
#include "app/display_check.h"
#include "cli/frame_observer.h"
#include "cli/live_view.h"
#include "cli/outputs.h"
#include "cli/run_inputs.h"
#include "cli/run_plots.h"
#include "cli/scoring.h"
#include "cli/target_paths.h"
#include "cli/target_selection.h"
#include "cli/timing.h"
#include "cli/tracker_setup.h"
#include "tracker/target_areas.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
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

// The input video, positioned after the frame held in `images`.
struct VideoInput {
    std::unique_ptr<FileCapture, CaptureCloser> capture;
    FrameImages images;
    std::string firstKind;  // the first frame's size and type, for messages

    CvSize frameSize() const { return cvSize(images.display->width, images.display->height); }
    double framesPerSecond() const
    {
        const double fps = captureFrameRate(capture.get());
        return fps > 0 ? fps : 25.0;  // what the video writer gets when the input declares none
    }
};

// Opens the video and prepares its first frame; false with `error` set.
bool openVideo(const std::string& name, VideoInput& video, std::string& error)
{
    video.capture.reset(createFileCapture(name.c_str()));
    if (!video.capture) {
        std::error_code ec;
        if (!std::filesystem::exists(name, ec))
            error = "cannot open the video '" + name + "': no such file";
        else
            error = "cannot read the video '" + name + "'";
        return false;
    }
    IplImage* frame = queryFrame(video.capture.get());
    if (!frame) {
        error = "the video '" + name + "' has no frames";
        return false;
    }
    if (!prepareFrame(frame, video.images)) {
        error = "cannot use the first frame of '" + name + "' (" + frameKind(frame) + ")";
        return false;
    }
    video.firstKind = frameKind(video.images.display);
    return true;
}

// The progress line on a terminal, at most five times a second.
class Progress {
public:
    Progress(bool shown, int total, std::FILE* err) : shown_(shown), total_(total), err_(err) {}
    void update(int frameNumber, const FrameTimes& times)
    {
        if (!shown_ || millisecondsSince(last_) < 200.0)
            return;
        last_ = Clock::now();
        const double rate = times.totalSeconds() > 0 ? times.frames() / times.totalSeconds() : 0.0;
        std::fprintf(err_, "\r%s\033[K", progressLine(frameNumber, total_, rate).c_str());
        std::fflush(err_);
    }
    void clear()
    {
        if (!shown_)
            return;
        std::fprintf(err_, "\r\033[K");
        std::fflush(err_);
    }

private:
    bool shown_;
    int total_;
    std::FILE* err_;
    Clock::time_point last_ = Clock::now() - std::chrono::seconds(1);  // show frame 1 at once
};

// The frames the run will track, as far as known in advance (0: unknown).
int plannedFrames(const Options& options, FileCapture* capture)
{
    int total = captureFrameCount(capture);
    if (options.frames > 0 && (total <= 0 || options.frames < total))
        total = options.frames;
    return total;
}

// How the frame loop ended: the exit status so far, and whether the result
// files hold whole, valid frames and are to be kept.
struct TrackingEnd {
    int status = kExitSuccess;
    bool keepResults = true;
};

// Tracks every frame from the one in `video.images` on, writing and
// scoring each, until the video ends, --frames is reached, a stop is
// requested (a signal, or an observer such as the live window) or something
// fails.
TrackingEnd trackFrames(const Options& options, tavo& tracker, ColourModelSource* colours, VideoInput& video,
                        Outputs& outputs, Scorer* scorer, const std::vector<FrameObserver*>& observers,
                        FrameTimes& times, std::FILE* err)
{
    Progress progress(!options.quiet && ::isatty(::fileno(err)), plannedFrames(options, video.capture.get()), err);
    TrackingEnd end;
    std::string error;
    std::vector<RealBox> scoreBoxes;
    std::vector<CvRect> areas;
    Clock::time_point frameStart = Clock::now();
    for (int frameNumber = 1;; ++frameNumber) {
        tracker.huePlane = video.images.hue;
        const Clock::time_point trackStart = Clock::now();
        tracker.track();
        const double trackMs = millisecondsSince(trackStart);
        tracker.draw(&video.images.displayMatrix);
        if (const Target* broken = firstNonFiniteEstimate(tracker)) {
            message(err, "the estimate of target " + std::to_string(broken->id) + " is not finite on frame " +
                             std::to_string(frameNumber) + " (" + estimateText(broken->estimate) +
                             "): the tracking has broken down");
            end = TrackingEnd{kExitRunError, false};
            break;
        }
        adaptReferences(tracker, options.adaptation);
        updateMotionStates(tracker);

        if (!outputs.writeFrame(frameNumber, tracker, video.images.displayMatrix, error)) {
            message(err, error);
            end = TrackingEnd{kExitRunError, false};
            break;
        }
        if (scorer) {
            scoreBoxes.clear();
            for (const auto& target : tracker.targets)
                scoreBoxes.push_back(estimateBox(target->estimate, target->baseWidth, target->baseHeight));
            scorer->addFrame(frameNumber, scoreBoxes);
        }
        times.add(trackMs, millisecondsSince(frameStart));
        progress.update(frameNumber, times);
        // Outside the frame's time: a paused window would count as tracking.
        bool goOn = true;
        for (FrameObserver* observer : observers)
            goOn = observer->frameTracked(frameNumber, tracker, video.images.displayMatrix) && goOn;
        if (!goOn)
            break;
        if (options.frames > 0 && frameNumber >= options.frames)
            break;
        if (stopRequested())
            break;

        frameStart = Clock::now();
        IplImage* frame = queryFrame(video.capture.get());
        if (!frame) {
            const int declared = captureFrameCount(video.capture.get());
            if (declared > frameNumber)
                warning(err, "'" + options.video + "' ends early: frame " + std::to_string(frameNumber + 1) +
                                 " cannot be read, though the file declares " + std::to_string(declared) +
                                 " frames; the results cover frames 1 to " + std::to_string(frameNumber));
            break;
        }
        if (!prepareFrame(frame, video.images)) {
            message(err, "frame " + std::to_string(frameNumber + 1) + " of '" + options.video + "' is " +
                             frameKind(frame) + ", unlike the first frame (" + video.firstKind +
                             "): stopped after frame " + std::to_string(frameNumber));
            end.status = kExitRunError;  // the frames before it are whole: they are kept
            break;
        }
        if (colours) {
            colours->prepareFrame(video.images.hsv, video.images.hue);
            if (colours->usesBackground()) {
                targetAreas(tracker, areas);
                colours->prepareBackground(&video.images.displayMatrix, areas);
            }
        }
    }
    progress.clear();
    return end;
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
    if (options.select || options.show) {
        if (const auto why = missingDisplay()) {
            message(err, std::string(options.select ? "--select" : "--show") + " needs a display: " + *why);
            return kExitUsage;
        }
    }
    RunInputs inputs;
    std::string error;
    if (const int status = loadInputs(options, inputs, error); status != kExitSuccess) {
        message(err, error);
        return status;
    }
    for (const std::string& text : inputs.warnings)
        warning(err, text);
    if (const auto refusal = memoryRefusal(static_cast<int64_t>(inputs.boxes.size()), options.samples,
                                           physicalMemory())) {
        message(err, *refusal);
        return kExitUsage;
    }
    VideoInput video;
    if (!openVideo(options.video, video, error)) {
        message(err, error);
        return kExitRunError;
    }
    if (const auto refusal = noiseRefusal(options.noise, video.frameSize().width, video.frameSize().height)) {
        message(err, *refusal);
        return kExitUsage;
    }
    if (!options.plotFile.empty() && !plotDirectoryExists(options.plotFile, error)) {
        message(err, error);
        return kExitRunError;
    }
    const cv::Mat firstFrame = cv::cvarrToMat(&video.images.displayMatrix).clone();  // before any drawing
    if (options.select) {
        if (const int status = selectTargets(firstFrame, inputs.boxes, targetsThatFit(options.samples), error);
            status != kExitSuccess) {
            message(err, error);
            return status;
        }
        message(err, "targets: " + boxOptions(inputs.boxes));
    }

    // The tracker, seeded reproducibly: from --seed, or from a seed drawn
    // now and printed, so that the run can be repeated.
    const int64_t seed = options.seed ? *options.seed : drawSeed();
    CountingTickSource ticks(seed);
    // Appearance models, when the options ask for more than hue histograms;
    // declared before the tracker, whose targets hold models reading it.
    std::unique_ptr<ColourModelSource> colours;
    if (options.usesAppearanceModels()) {
        colours = std::make_unique<ColourModelSource>(options.colour);
        colours->prepareFrame(video.images.hsv, video.images.hue);
        // The first frame's background is unknown exactly where the
        // objects are; later frames hold the wider areas around them.
        std::vector<CvRect> objects;
        for (const Box& b : inputs.boxes)
            objects.push_back(cvRect(b.x, b.y, b.width, b.height));
        colours->prepareBackground(&video.images.displayMatrix, objects);
    }
    tavo tracker(ticks);
    tracker.appearance = colours.get();
    if (options.motion.any())
        tracker.motion = &options.motion;
    tracker.huePlane = video.images.hue;
    if (!setUpTracker(tracker, video.images.hue, inputs.boxes, options.samples, options.noise, options.iterations,
                      error, inputs.ids)) {
        message(err, error);
        return kExitRunError;
    }
    if (!tracker.setThreadCount(options.threads)) {
        message(err, "cannot start " + std::to_string(options.threads) + " threads");
        return kExitRunError;
    }

    // Each target is scored against the ground-truth object of its id.
    std::optional<Scorer> scorer;
    if (inputs.truth) {
        std::vector<int> ids;
        for (const auto& target : tracker.targets)
            ids.push_back(target->id);
        scorer.emplace(std::move(*inputs.truth), std::move(ids));
    }

    std::vector<FrameObserver*> observers;
    PathRecorder paths;
    if (!options.plotFile.empty())
        observers.push_back(&paths);
    std::optional<LiveView> view;
    if (options.show)
        observers.push_back(&view.emplace());

    Outputs outputs;
    if (!outputs.open(options, video.framesPerSecond(), video.frameSize(), error)) {
        message(err, error);
        return kExitRunError;
    }
    FrameTimes times;
    const TrackingEnd end = trackFrames(options, tracker, colours.get(), video, outputs, scorer ? &*scorer : nullptr,
                                        observers, times, err);
    int status = end.status;
    bool keep = end.keepResults;
    if (stopRequested()) {
        message(err, "interrupted after " + std::to_string(times.frames()) + " frames");
        if (status == kExitSuccess)
            status = interruptedExitStatus(stopSignal());
    }
    if (keep && !outputs.close(error)) {
        message(err, error);
        status = kExitRunError;
        keep = false;
    }
    if (keep && !options.plotFile.empty() &&
        !writePlots(options.plotFile, firstFrame, paths.paths(), scorer ? &*scorer : nullptr, error)) {
        message(err, error);
        status = kExitRunError;
        keep = false;
    }

    // The summary and the report belong to the results: when they cannot be
    // written, the run has failed.
    int outFailure = 0;
    const std::string seedText = "seed " + std::to_string(seed);
    if (!options.quiet)
        printOut(out,
                 times.summary(static_cast<int>(tracker.targets.size())) +
                     (view && view->stopped() ? ", stopped early from the window" : "") + ", " + seedText + "\n",
                 outFailure);
    else if (options.printSeed)
        printOut(out, seedText + "\n", outFailure);
    if (scorer)
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
}

}  // namespace tavo_cli
