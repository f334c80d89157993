// tavo-bench: milliseconds per frame (a session's step and drawing) of the
// tracker against its literal steps on the demo video, and of the tracker
// alone as the work grows: targets, samples per target, frame size and
// threads, and with the colour models of --robust.  Medians of several
// repetitions; the literal/fast ratios on the demo video are printed at the
// end.  Nothing here judges a time.

#include "app/demo_scenario.h"
#include "literal/literal_cycle.h"
#include "replay/frame_sequence.h"
#include "replay/square_scene.h"
#include "tracker/tracking_session.h"

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

// Starts a session on frame 0, then times one frame per iteration: the
// session's step (preparation, tracking cycle, adaptation, motion states)
// and the drawing into a copy of the frame.
void timeFrames(benchmark::State& state, FrameSequence& frames, const std::vector<Box>& boxes,
                TrackingSettings settings, int threads, Steps steps)
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
    cv::Mat image;
    int f = 1;
    for (auto _ : state) {
        session->step(frames.frame(f));
        session->frame().copyTo(image);
        session->draw(image);
        f = f + 1 < frames.size() ? f + 1 : 1;
    }
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
    }

private:
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
