// tavo-bench: milliseconds per frame (a session's step and drawing) of the
// tracker against its literal steps on the demo video, and of the tracker
// alone as the work grows: targets, samples per target, frame size and
// threads, and with the colour models of --robust.  On textured scenes of
// real size, a session's step (the whole frame: preparation and tracking)
// beside OpenCV's KCF and MOSSE updating the same targets, and a robust
// step's growth with the box's size and the number of targets.  Medians of
// several repetitions; the ratios are printed at the end.  Nothing here
// judges a time.

#include "core/demo_scenario.h"
#include "bench/peer_trackers.h"
#include "literal/literal_cycle.h"
#include "replay/frame_sequence.h"
#include "replay/square_scene.h"
#include "replay/textured_scene.h"
#include "session/tracking_session.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>

namespace {

// Frames kept in memory per video; the runs cycle through them.
constexpr int kFramesHeld = 120;
// Several repetitions of a short timing each: the median is reported.
constexpr int kRepetitions = 5;
constexpr double kSecondsPerRepetition = 0.3;
// The work every scaling run starts from: the demo's.
constexpr int kBaseTargets = kDemoTargetCount;
constexpr int kBaseSamples = kDemoSamplesPerTarget;

const char* const kDemoLiteral = "frame/demo/literal";
const char* const kDemoFast = "frame/demo/fast";
const char* const kRobustLiteral = "frame/demo/robust/literal";
const char* const kRobustFast = "frame/demo/robust/fast";

// Frames held of each textured scene (large frames: fewer).
constexpr int kTexturedFramesHeld = 40;

enum class Steps { Literal, Fast };

FrameSequence& demoFrames()
{
    static FrameSequence frames;
    if (frames.size() == 0 && !frames.addVideo(TAVO_BINARY_DIR "/TAVO_DEMO.avi", kFramesHeld))
        std::fprintf(stderr, "tavo-bench: cannot read %s\n", TAVO_BINARY_DIR "/TAVO_DEMO.avi");
    return frames;
}

struct Scene {
    SquareScene squares;
    FrameSequence frames;
};

Scene& gridScene(int width, int height, int targets)
{
    static std::map<std::tuple<int, int, int>, std::unique_ptr<Scene>> scenes;
    auto& scene = scenes[{width, height, targets}];
    if (!scene) {
        scene = std::make_unique<Scene>();
        scene->squares = SquareScene::grid(width, height, targets);
        for (int f = 0; f < kFramesHeld; ++f)
            scene->frames.add(scene->squares.frameAt(f));
    }
    return *scene;
}

// Each stage's median ms per frame, as counters beside the run's time
// (the frames are decoded beforehand: decoding is not among them).
void reportStages(benchmark::State& state, const StageTimes& stages)
{
    for (int s = 0; s < kStageCount; ++s) {
        const Stage stage = static_cast<Stage>(s);
        if (stage != Stage::Decoding)
            state.counters[stageName(stage)] = stages.medianMs(stage);
    }
}

// Starts a session on frame 0, then times one frame per iteration: the
// session's step (preparation, tracking cycle, adaptation, motion states)
// and the drawing into a copy of the frame.
void timeFrames(benchmark::State& state, FrameSequence& frames, const std::vector<Box>& boxes,
                TrackingSettings settings, int threads, Steps steps, bool drawing = true)
{
    if (frames.size() < 2) {
        state.SkipWithError("no frames");
        return;
    }
    settings.tracking.threads = threads;
    const CycleSteps cycle = steps == Steps::Literal ? CycleSteps{literal::track, literal::draw} : CycleSteps{};
    std::string error;
    const auto session = TrackingSession::start(frames.frame(0), boxes, settings, 1, error, cycle);
    if (!session) {
        state.SkipWithError(error.c_str());
        return;
    }
    StageTimes stages;
    session->setStageTimes(&stages);
    cv::Mat image;
    int f = 1;
    for (auto _ : state) {
        stages.startFrame();
        session->step(frames.frame(f));
        if (drawing) {
            session->frame().copyTo(image);
            session->draw(image);
        }
        stages.lap(Stage::Outputs);
        stages.endFrame();
        f = f + 1 < frames.size() ? f + 1 : 1;
    }
    reportStages(state, stages);
}

const std::vector<Box> kDemoBoxes(std::begin(kDemoTargets), std::end(kDemoTargets));

TrackingSettings withSamples(int samples)
{
    TrackingSettings s;
    s.tracking.samples = samples;
    return s;
}

void registerRun(const std::string& name, std::function<void(benchmark::State&)> run)
{
    benchmark::RegisterBenchmark(name.c_str(), [run](benchmark::State& state) { run(state); })
        ->Repetitions(kRepetitions)
        ->ReportAggregatesOnly(true)
        ->MinTime(kSecondsPerRepetition)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}

void registerGrid(int width, int height, int targets, int samples, int threads)
{
    const std::string name = "frame/scene" + std::to_string(width) + "x" + std::to_string(height) +
                             "/targets:" + std::to_string(targets) + "/samples:" + std::to_string(samples) +
                             "/threads:" + std::to_string(threads);
    registerRun(name, [=](benchmark::State& state) {
        Scene& scene = gridScene(width, height, targets);
        const std::vector<Box> boxes = scene.squares.startBoxes();
        timeFrames(state, scene.frames, boxes, withSamples(samples), threads, Steps::Fast);
    });
}

struct Textured {
    TexturedScene scene;
    FrameSequence frames;
};

Textured& texturedScene(int width, int height, int count, int objectWidth, int objectHeight)
{
    static std::map<std::tuple<int, int, int, int, int>, std::unique_ptr<Textured>> scenes;
    auto& held = scenes[{width, height, count, objectWidth, objectHeight}];
    if (!held) {
        held.reset(new Textured{TexturedScene(width, height, count, objectWidth, objectHeight), {}});
        for (int f = 0; f < kTexturedFramesHeld; ++f)
            held->frames.add(held->scene.frameAt(f));
    }
    return *held;
}

// Real-size work: TAVO's whole frame, robust and default, and KCF and MOSSE
// on the same targets.
struct RealSize {
    int width, height, count, objectWidth, objectHeight;
    std::string name() const
    {
        return std::to_string(width) + "x" + std::to_string(height) + "/" + std::to_string(count) + "x" +
               std::to_string(objectWidth) + "x" + std::to_string(objectHeight);
    }
};
const RealSize kRealSizes[] = {{640, 480, 1, 300, 230}, {768, 576, 3, 30, 85}, {1280, 720, 10, 60, 120}};
const char* const kRealRuns[] = {"robust", "robust/threads:2", "robust/near", "default", "kcf", "mosse"};

// A run of TAVO's whole frame: robust (on one thread or two, or with the
// background compared near the targets alone) or default.
void timeTavoRun(benchmark::State& state, FrameSequence& frames, const std::vector<Box>& boxes,
                 const std::string& which)
{
    const bool robust = which.compare(0, 6, "robust") == 0;
    const int threads = which == "robust/threads:2" ? 2 : 1;
    TrackingSettings settings = robust ? robustSettings() : TrackingSettings{};
    settings.colour.background.nearTargets = which == "robust/near";
    timeFrames(state, frames, boxes, settings, threads, Steps::Fast, false);
}

void registerRealSize(const RealSize& r)
{
    for (const char* run : kRealRuns) {
        const std::string which = run;
        registerRun("real/" + r.name() + "/" + which, [r, which](benchmark::State& state) {
            Textured& t = texturedScene(r.width, r.height, r.count, r.objectWidth, r.objectHeight);
            const std::vector<Box> boxes = t.scene.startBoxes();
            if (which == "kcf" || which == "mosse")
                timePeerTrackers(state, t.frames, boxes, which == "kcf" ? PeerTracker::Kcf : PeerTracker::Mosse);
            else
                timeTavoRun(state, t.frames, boxes, which);
        });
    }
}

// The development clips of tools/real_clips at their own sizes (fetched
// into build/real-clips by tools/real_clips/fetch.sh), their first boxes
// from the ground truth; a clip not fetched is skipped.
struct RealClip {
    const char* name;  // the row's name
    const char* video;
    const char* truth;
};
const RealClip kRealClips[] = {
    {"balle1-320x240", TAVO_BINARY_DIR "/real-clips/balle1-vp9.avi", TAVO_SOURCE_DIR "/tools/real_clips/balle1-vp9.gt.txt"},
    {"balle-jbart-720x576", TAVO_BINARY_DIR "/real-clips/balle-jbart.mp4",
     TAVO_SOURCE_DIR "/tools/real_clips/balle-jbart.gt.txt"},
    {"motion-568x320", TAVO_BINARY_DIR "/real-clips/motion.mov", TAVO_SOURCE_DIR "/tools/real_clips/motion.gt.txt"},
};

// The boxes of frame 1 of a MOTChallenge file.
std::vector<Box> firstBoxes(const char* path)
{
    std::vector<Box> boxes;
    std::FILE* file = std::fopen(path, "r");
    if (!file)
        return boxes;
    int frame = 0, id = 0;
    Box b;
    while (std::fscanf(file, "%d,%d,%d,%d,%d,%d%*[^\n]", &frame, &id, &b.x, &b.y, &b.width, &b.height) == 6)
        if (frame == 1)
            boxes.push_back(b);
    std::fclose(file);
    return boxes;
}

FrameSequence& clipFrames(const RealClip& clip)
{
    static std::map<std::string, std::unique_ptr<FrameSequence>> clips;
    auto& held = clips[clip.name];
    if (!held) {
        held = std::make_unique<FrameSequence>();
        held->addVideo(clip.video, kFramesHeld);
    }
    return *held;
}

void registerRealClip(const RealClip& clip)
{
    for (const char* run : kRealRuns) {
        const std::string which = run;
        registerRun(std::string("clip/") + clip.name + "/" + which, [clip, which](benchmark::State& state) {
            FrameSequence& frames = clipFrames(clip);
            const std::vector<Box> boxes = firstBoxes(clip.truth);
            if (frames.size() < 2 || boxes.empty()) {
                state.SkipWithError("clip not fetched (tools/real_clips/fetch.sh)");
                return;
            }
            if (which == "kcf" || which == "mosse")
                timePeerTrackers(state, frames, boxes, which == "kcf" ? PeerTracker::Kcf : PeerTracker::Mosse);
            else
                timeTavoRun(state, frames, boxes, which);
        });
    }
}

// A robust step as one target's box grows, and as targets are added.
void registerGrowth()
{
    for (int side : {20, 50, 100, 200, 400})
        registerRun("growth/box:" + std::to_string(side), [side](benchmark::State& state) {
            Textured& t = texturedScene(1280, 720, 1, side, side);
            timeFrames(state, t.frames, t.scene.startBoxes(), robustSettings(), 1, Steps::Fast, false);
        });
    for (int count : {1, 3, 10, 30})
        registerRun("growth/targets:" + std::to_string(count), [count](benchmark::State& state) {
            Textured& t = texturedScene(1280, 720, count, 40, 80);
            timeFrames(state, t.frames, t.scene.startBoxes(), robustSettings(), 1, Steps::Fast, false);
        });
}

void registerAll()
{
    // The demo's settings are the defaults.
    registerRun(kDemoLiteral, [](benchmark::State& s) { timeFrames(s, demoFrames(), kDemoBoxes, {}, 1, Steps::Literal); });
    registerRun(kDemoFast, [](benchmark::State& s) { timeFrames(s, demoFrames(), kDemoBoxes, {}, 1, Steps::Fast); });
    registerRun("frame/demo/fast/threads:2",
                [](benchmark::State& s) { timeFrames(s, demoFrames(), kDemoBoxes, {}, 2, Steps::Fast); });
    // The colour models of --robust take the same memo and threads.
    registerRun(kRobustLiteral, [](benchmark::State& s) {
        timeFrames(s, demoFrames(), kDemoBoxes, robustSettings(), 1, Steps::Literal);
    });
    registerRun(kRobustFast, [](benchmark::State& s) {
        timeFrames(s, demoFrames(), kDemoBoxes, robustSettings(), 1, Steps::Fast);
    });

    // One quantity at a time away from the demo's work.
    for (int targets : {1, kBaseTargets, 30})
        registerGrid(320, 320, targets, kBaseSamples, 1);
    for (int samples : {100, 2000})
        registerGrid(320, 320, kBaseTargets, samples, 1);
    registerGrid(1280, 720, kBaseTargets, kBaseSamples, 1);
    for (int threads : {1, 2})
        registerGrid(1280, 720, 30, kBaseSamples, threads);
    registerGrid(320, 320, 30, kBaseSamples, 2);

    for (const RealSize& r : kRealSizes)
        registerRealSize(r);
    for (const RealClip& clip : kRealClips)
        registerRealClip(clip);
    registerGrowth();
}

// The console report, and the medians of the demo's two runs.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }

    void printRatios() const
    {
        printRatio("demo video", kDemoLiteral, kDemoFast);
        printRatio("demo video, --robust", kRobustLiteral, kRobustFast);
        for (const RealSize& r : kRealSizes)
            printPeers("real/" + r.name());
        for (const RealClip& clip : kRealClips)
            printPeers(std::string("clip/") + clip.name);
        printGrowth();
    }

private:
    double median(const std::string& name) const
    {
        const auto found = medians_.find(name);
        return found == medians_.end() ? 0.0 : found->second;
    }

    void printPeers(const std::string& size) const
    {
        const std::string base = size + "/";
        const double robust = median(base + "robust"), plain = median(base + "default");
        const double twoThreads = median(base + "robust/threads:2");
        const double kcf = median(base + "kcf"), mosse = median(base + "mosse");
        if (!(robust > 0) || !(kcf > 0) || !(mosse > 0))
            return;
        std::printf("%s, median ms per frame: --robust %.2f, default %.2f, KCF %.2f, MOSSE %.2f; "
                    "--robust / KCF %.2f, --robust / MOSSE %.1f",
                    size.c_str(), robust, plain, kcf, mosse, robust / kcf, robust / mosse);
        if (twoThreads > 0)
            std::printf("; --robust --threads 2 %.2f, %.2fx faster", twoThreads, robust / twoThreads);
        const double near = median(base + "robust/near");
        if (near > 0)
            std::printf("; --robust --work-near-targets %.2f, / KCF %.2f", near, near / kcf);
        std::printf("\n");
    }

    void printGrowth() const
    {
        const double smallest = median("growth/box:20"), largest = median("growth/box:400");
        if (smallest > 0 && largest > 0)
            std::printf("robust step, one target, box side 400 / 20: %.2fx the time\n", largest / smallest);
    }

    void printRatio(const char* what, const char* literalName, const char* fastName) const
    {
        const auto literal = medians_.find(literalName), fast = medians_.find(fastName);
        if (literal == medians_.end() || fast == medians_.end() || !(fast->second > 0))
            return;
        std::printf("%s, step + draw, median ms per frame: literal %.3f, fast %.3f: %.2fx faster\n", what,
                    literal->second, fast->second, literal->second / fast->second);
    }


    std::map<std::string, double> medians_;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    registerAll();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
