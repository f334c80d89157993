#include "cli/run.h"

#include "app/demo_scenario.h"
#include "app/frame_preparation.h"
#include "app/video_capture.h"
#include "cli/mot_file.h"
#include "cli/outputs.h"
#include "app/quiet_stderr.h"
#include "cli/scoring.h"
#include "cli/timing.h"
#include "cli/tracker_setup.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
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

// Whether two names lead to the same file, existing or to be created.
bool sameFile(const std::string& a, const std::string& b)
{
    if (a == b)
        return true;
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec) && !ec)
        return true;
    const auto normal = [&ec](const std::string& name) {
        const auto absolute = std::filesystem::absolute(name, ec);
        return ec ? std::filesystem::path(name) : std::filesystem::weakly_canonical(absolute, ec);
    };
    const auto canonicalA = normal(a);
    const auto canonicalB = normal(b);
    return !ec && canonicalA == canonicalB;
}

// An output that would overwrite an input or another output.
std::optional<std::string> clashingFiles(const Options& o)
{
    const std::pair<const char*, const std::string*> outputs[] = {
        {"--mot", &o.motFile}, {"--estimates", &o.estimatesFile}, {"--video", &o.videoFile}};
    const std::pair<const char*, const std::string*> inputs[] = {
        {"the input video", &o.video}, {"--targets", &o.targetsFile}, {"--gt", &o.gtFile}};
    for (size_t i = 0; i < 3; ++i) {
        const std::string& file = *outputs[i].second;
        if (file.empty())
            continue;
        for (const auto& [name, input] : inputs)
            if (!input->empty() && sameFile(file, *input))
                return std::string(outputs[i].first) + " '" + file + "' would overwrite " + name;
        for (size_t j = 0; j < i; ++j)
            if (!outputs[j].second->empty() && sameFile(file, *outputs[j].second))
                return std::string(outputs[i].first) + " and " + outputs[j].first + " name the same file '" + file +
                       "'";
    }
    return std::nullopt;
}

std::string frameKind(const IplImage* f)
{
    return std::to_string(f->width) + "x" + std::to_string(f->height) + ", depth " + std::to_string(f->depth & 0xff) +
           " bits, " + std::to_string(f->nChannels) + " channels";
}


struct CaptureCloser {
    void operator()(FileCapture* c) const { releaseCapture(&c); }
};

}  // namespace

int runTracking(const Options& options, std::FILE* out, std::FILE* err)
{
    if (const auto clash = clashingFiles(options)) {
        message(err, *clash);
        return kExitUsage;
    }

    // The targets: --box, a targets file, or the demo's nine.
    std::vector<Box> boxes = options.boxes;
    std::string error;
    if (!options.targetsFile.empty()) {
        std::ifstream in(options.targetsFile, std::ios::binary);
        if (!in) {
            message(err, "cannot read the targets file '" + options.targetsFile + "': " + std::strerror(errno));
            return kExitRunError;
        }
        auto read = readInitialBoxes(in, options.targetsFile, error);
        if (!read) {
            message(err, error);
            return kExitRunError;
        }
        boxes = std::move(*read);
        const int64_t fit = targetsThatFit(options.samples);
        if (static_cast<int64_t>(boxes.size()) > fit) {
            message(err, "'" + options.targetsFile + "' gives " + std::to_string(boxes.size()) +
                             " targets, but with --samples " + std::to_string(options.samples) + " at most " +
                             std::to_string(fit) + " fit in the sample store");
            return kExitUsage;
        }
    } else if (boxes.empty()) {
        for (const InitialBox& b : kDemoTargets)
            boxes.push_back(Box{b.x, b.y, b.width, b.height});
    }

    std::optional<GroundTruth> truth;
    if (!options.gtFile.empty()) {
        std::ifstream in(options.gtFile, std::ios::binary);
        if (!in) {
            message(err, "cannot read the ground-truth file '" + options.gtFile + "': " + std::strerror(errno));
            return kExitRunError;
        }
        const auto records = readMotRecords(in, options.gtFile, error);
        if (!records) {
            message(err, error);
            return kExitRunError;
        }
        truth = groupByFrame(*records);
    }

    // The video and its first frame.
    std::unique_ptr<FileCapture, CaptureCloser> capture;
    IplImage* frame = nullptr;
    capture.reset(createFileCapture(options.video.c_str()));
    if (capture)
        frame = queryFrame(capture.get());
    if (!capture) {
        std::error_code ec;
        if (!std::filesystem::exists(options.video, ec))
            message(err, "cannot open the video '" + options.video + "': no such file");
        else
            message(err, "cannot read the video '" + options.video + "'");
        return kExitRunError;
    }
    if (!frame) {
        message(err, "the video '" + options.video + "' has no frames");
        return kExitRunError;
    }
    FrameImages images;
    if (!prepareFrame(frame, images)) {
        message(err, "cannot use the first frame of '" + options.video + "' (" + frameKind(frame) + ")");
        return kExitRunError;
    }
    const CvSize frameSize = cvSize(images.display->width, images.display->height);
    const std::string firstKind = frameKind(images.display);

    // The tracker, seeded from the clock or reproducibly from --seed.
    std::optional<CountingTickSource> counting;
    if (options.seed)
        counting.emplace(*options.seed);
    TickSource& ticks = counting ? static_cast<TickSource&>(*counting) : systemTickSource();
    CliTracker tracker(ticks, options.iterations);
    tracker.huePlane = images.hue;
    if (!setUpTracker(tracker, images.hue, boxes, options.samples, options.noise, error)) {
        message(err, error);
        return kExitRunError;
    }

    // Tracker target k is scored against ground-truth object k.
    std::optional<Scorer> scorer;
    if (truth) {
        std::vector<int> ids;
        for (const auto& target : tracker.targets)
            ids.push_back(target->id);
        scorer.emplace(std::move(*truth), std::move(ids));
    }

    // The outputs, the video first as it is the likeliest to be refused.  A
    // refusal removes the files this run has created.
    TextOutput mot, estimates;
    VideoOutput video;
    std::vector<std::string> created;
    const auto opened = [&](bool ok) {
        if (!ok) {
            video.close();
            std::string ignored;
            mot.close(ignored);
            estimates.close(ignored);
            for (const std::string& file : created)
                std::remove(file.c_str());
            message(err, error);
        }
        return ok;
    };
    const auto isNew = [](const std::string& path) {
        std::error_code ec;
        return !std::filesystem::exists(path, ec);
    };
    if (!options.videoFile.empty()) {
        const bool fresh = isNew(options.videoFile);
        const double fps = captureFrameRate(capture.get());
        if (!opened(video.open(options.videoFile, fps > 0 ? fps : 25.0, frameSize, error)))
            return kExitRunError;
        if (fresh)
            created.push_back(options.videoFile);
    }
    if (!options.motFile.empty()) {
        const bool fresh = isNew(options.motFile);
        if (!opened(mot.open(options.motFile, error)))
            return kExitRunError;
        if (fresh)
            created.push_back(options.motFile);
    }
    if (!options.estimatesFile.empty()) {
        if (!opened(estimates.open(options.estimatesFile, error)))
            return kExitRunError;
        estimates.write(kEstimatesHeader);
    }

    const bool showProgress = !options.quiet && ::isatty(::fileno(err));
    int total = captureFrameCount(capture.get());
    if (options.frames > 0 && (total <= 0 || options.frames < total))
        total = options.frames;

    int status = kExitSuccess;
    FrameTimes times;
    Clock::time_point lastProgress = Clock::now() - std::chrono::seconds(1);  // show frame 1 at once
    Clock::time_point frameStart = Clock::now();
    std::vector<ScoreBox> scoreBoxes;
    for (int frameNumber = 1;; ++frameNumber) {
        tracker.huePlane = images.hue;
        const Clock::time_point trackStart = Clock::now();
        tracker.track();
        const double trackMs = millisecondsSince(trackStart);
        tracker.draw(&images.displayMatrix);

        scoreBoxes.clear();
        for (const auto& target : tracker.targets) {
            const PixelBox box = estimateBox(target->estimate, target->baseWidth, target->baseHeight);
            if (mot.isOpen())
                mot.write(motLine(frameNumber, target->id, box));
            if (estimates.isOpen())
                estimates.write(estimateLine(frameNumber, target->id, target->estimate));
            scoreBoxes.push_back(ScoreBox{double(box.x), double(box.y), double(box.width), double(box.height)});
        }
        if (video.isOpen())
            video.write(images.displayMatrix);
        if (!mot.flush(error) || !estimates.flush(error)) {
            message(err, error);
            status = kExitRunError;
            break;
        }
        if (scorer)
            scorer->addFrame(frameNumber, scoreBoxes);
        times.add(trackMs, millisecondsSince(frameStart));

        if (showProgress && millisecondsSince(lastProgress) >= 200.0) {
            lastProgress = Clock::now();
            const double rate = times.totalSeconds() > 0 ? times.frames() / times.totalSeconds() : 0.0;
            std::fprintf(err, "\r%s\033[K", progressLine(frameNumber, total, rate).c_str());
            std::fflush(err);
        }
        if (options.frames > 0 && frameNumber >= options.frames)
            break;

        frameStart = Clock::now();
        frame = queryFrame(capture.get());
        if (!frame)
            break;
        if (!prepareFrame(frame, images)) {
            message(err, "frame " + std::to_string(frameNumber + 1) + " of '" + options.video + "' is " +
                             frameKind(frame) + ", unlike the first frame (" + firstKind +
                             "): stopped after frame " + std::to_string(frameNumber));
            status = kExitRunError;
            break;
        }
    }
    if (showProgress) {
        std::fprintf(err, "\r\033[K");
        std::fflush(err);
    }

    if (!mot.close(error) || !estimates.close(error)) {
        message(err, error);
        status = kExitRunError;
    }
    video.close();

    if (!options.quiet)
        std::fprintf(out, "%s\n", times.summary(static_cast<int>(tracker.targets.size())).c_str());
    if (scorer)
        std::fputs(formatReport(scorer->report(), options.gtFile).c_str(), out);
    std::fflush(out);
    return status;
}

}  // namespace tavo_cli
