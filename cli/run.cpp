#include "cli/run.h"

#include "app/frame_preparation.h"
#include "app/video_capture.h"
#include "cli/outputs.h"
#include "cli/run_inputs.h"
#include "cli/scoring.h"
#include "cli/timing.h"
#include "cli/tracker_setup.h"

#include <chrono>
#include <cstdio>
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

// Tracks every frame from the one in `video.images` on, writing and
// scoring each; returns the exit status.
int trackFrames(const Options& options, tavo& tracker, ColourModelSource* colours, VideoInput& video,
                Outputs& outputs, Scorer* scorer, FrameTimes& times, std::FILE* err)
{
    Progress progress(!options.quiet && ::isatty(::fileno(err)), plannedFrames(options, video.capture.get()), err);
    int status = kExitSuccess;
    std::string error;
    std::vector<RealBox> scoreBoxes;
    Clock::time_point frameStart = Clock::now();
    for (int frameNumber = 1;; ++frameNumber) {
        tracker.huePlane = video.images.hue;
        const Clock::time_point trackStart = Clock::now();
        tracker.track();
        const double trackMs = millisecondsSince(trackStart);
        tracker.draw(&video.images.displayMatrix);
        adaptReferences(tracker, options.adaptation);
        updateMotionStates(tracker);

        if (!outputs.writeFrame(frameNumber, tracker, video.images.displayMatrix, error)) {
            message(err, error);
            status = kExitRunError;
            break;
        }
        if (scorer) {
            scoreBoxes.clear();
            for (const auto& target : tracker.targets)
                scoreBoxes.push_back(
                    toRealBox(estimateBox(target->estimate, target->baseWidth, target->baseHeight)));
            scorer->addFrame(frameNumber, scoreBoxes);
        }
        times.add(trackMs, millisecondsSince(frameStart));
        progress.update(frameNumber, times);
        if (options.frames > 0 && frameNumber >= options.frames)
            break;

        frameStart = Clock::now();
        IplImage* frame = queryFrame(video.capture.get());
        if (!frame)
            break;
        if (!prepareFrame(frame, video.images)) {
            message(err, "frame " + std::to_string(frameNumber + 1) + " of '" + options.video + "' is " +
                             frameKind(frame) + ", unlike the first frame (" + video.firstKind +
                             "): stopped after frame " + std::to_string(frameNumber));
            status = kExitRunError;
            break;
        }
        if (colours)
            colours->prepareFrame(video.images.hsv, video.images.hue);
    }
    progress.clear();
    return status;
}

}  // namespace

int runTracking(const Options& options, std::FILE* out, std::FILE* err)
{
    if (const auto clash = clashingFiles(options)) {
        message(err, *clash);
        return kExitUsage;
    }
    RunInputs inputs;
    std::string error;
    if (const int status = loadInputs(options, inputs, error); status != kExitSuccess) {
        message(err, error);
        return status;
    }
    VideoInput video;
    if (!openVideo(options.video, video, error)) {
        message(err, error);
        return kExitRunError;
    }

    // The tracker, seeded from the clock or reproducibly from --seed.
    std::optional<CountingTickSource> counting;
    if (options.seed)
        counting.emplace(*options.seed);
    TickSource& ticks = counting ? static_cast<TickSource&>(*counting) : systemTickSource();
    // Appearance models, when the options ask for more than hue histograms;
    // declared before the tracker, whose targets hold models reading it.
    std::unique_ptr<ColourModelSource> colours;
    if (options.usesAppearanceModels()) {
        colours = std::make_unique<ColourModelSource>(options.colour);
        colours->prepareFrame(video.images.hsv, video.images.hue);
    }
    tavo tracker(ticks);
    tracker.appearance = colours.get();
    if (options.motion.any())
        tracker.motion = &options.motion;
    tracker.huePlane = video.images.hue;
    if (!setUpTracker(tracker, video.images.hue, inputs.boxes, options.samples, options.noise, options.iterations,
                      error)) {
        message(err, error);
        return kExitRunError;
    }
    if (!tracker.setThreadCount(options.threads)) {
        message(err, "cannot start " + std::to_string(options.threads) + " threads");
        return kExitRunError;
    }

    // Tracker target k is scored against ground-truth object k.
    std::optional<Scorer> scorer;
    if (inputs.truth) {
        std::vector<int> ids;
        for (const auto& target : tracker.targets)
            ids.push_back(target->id);
        scorer.emplace(std::move(*inputs.truth), std::move(ids));
    }

    Outputs outputs;
    if (!outputs.open(options, video.framesPerSecond(), video.frameSize(), error)) {
        message(err, error);
        return kExitRunError;
    }
    FrameTimes times;
    int status = trackFrames(options, tracker, colours.get(), video, outputs, scorer ? &*scorer : nullptr, times, err);
    if (!outputs.close(error)) {
        message(err, error);
        status = kExitRunError;
    }

    if (!options.quiet)
        std::fprintf(out, "%s\n", times.summary(static_cast<int>(tracker.targets.size())).c_str());
    if (scorer)
        std::fputs(formatReport(scorer->report(), options.gtFile).c_str(), out);
    std::fflush(out);
    return status;
}

}  // namespace tavo_cli
