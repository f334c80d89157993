// Sessions run side by side in threads of one process, as Python's threads
// run them with the interpreter released: each gives what it gives alone,
// and none writes state another reads (the ThreadSanitizer build runs this
// program, label threads).

#include "session/tracking_session.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

constexpr int kSessions = 6;
constexpr int kFrames = 6;

// Three coloured squares on grey, drifting right by `shift` pixels.
cv::Mat squares(int shift)
{
    cv::Mat frame(120, 160, CV_8UC3, cv::Scalar(90, 90, 90));
    cv::rectangle(frame, cv::Rect(10 + shift, 20, 20, 20), cv::Scalar(0, 0, 220), cv::FILLED);
    cv::rectangle(frame, cv::Rect(60 + shift, 60, 20, 20), cv::Scalar(0, 200, 0), cv::FILLED);
    cv::rectangle(frame, cv::Rect(100 + shift, 30, 20, 20), cv::Scalar(210, 60, 0), cv::FILLED);
    return frame;
}

struct RunResult {
    std::string error;
    std::vector<std::vector<TrackedTarget>> frames;
};

RunResult track(const TrackingSettings& settings, int64_t seed)
{
    RunResult run;
    const std::vector<Box> boxes{{10, 20, 20, 20}, {60, 60, 20, 20}, {100, 30, 20, 20}};
    auto session = TrackingSession::start(squares(0), boxes, settings, seed, run.error);
    if (!session)
        return run;
    run.frames.push_back(session->targets());
    for (int f = 1; f < kFrames; ++f) {
        if (session->step(squares(f)) != StepOutcome::Tracked) {
            run.error = "step " + std::to_string(f) + ": " + session->error();
            return run;
        }
        run.frames.push_back(session->targets());
    }
    return run;
}

void expectSame(const RunResult& expected, const RunResult& actual, int session)
{
    ASSERT_EQ(expected.error, actual.error) << "session " << session;
    ASSERT_EQ(expected.frames.size(), actual.frames.size()) << "session " << session;
    for (size_t f = 0; f < expected.frames.size(); ++f) {
        ASSERT_EQ(expected.frames[f].size(), actual.frames[f].size());
        for (size_t t = 0; t < expected.frames[f].size(); ++t) {
            const TrackedTarget& a = expected.frames[f][t];
            const TrackedTarget& b = actual.frames[f][t];
            EXPECT_EQ(a.id, b.id) << "session " << session << ", frame " << f + 1;
            EXPECT_EQ(a.x, b.x) << "session " << session << ", frame " << f + 1 << ", target " << a.id;
            EXPECT_EQ(a.y, b.y) << "session " << session << ", frame " << f + 1 << ", target " << a.id;
            EXPECT_EQ(a.confidence, b.confidence) << "session " << session << ", frame " << f + 1;
        }
    }
}

void runInParallel(const TrackingSettings& settings)
{
    const RunResult alone = track(settings, 7);
    ASSERT_EQ("", alone.error);
    std::vector<RunResult> results(kSessions);
    std::vector<std::thread> threads;
    for (int i = 0; i < kSessions; ++i)
        threads.emplace_back([&, i] { results[static_cast<size_t>(i)] = track(settings, 7); });
    for (std::thread& t : threads)
        t.join();
    for (int i = 0; i < kSessions; ++i)
        expectSame(alone, results[static_cast<size_t>(i)], i);
}

TrackingSettings withThreads(TrackingSettings s, int threads)
{
    s.tracking.samples = 60;
    s.tracking.iterations = 200;
    s.tracking.threads = threads;
    return s;
}

}  // namespace

TEST(ParallelSessions, EachGivesWhatItGivesAloneAndKeepsItsOwnIds)
{
    runInParallel(withThreads(TrackingSettings{}, 1));
    runInParallel(withThreads(TrackingSettings{}, 2));
}

TEST(ParallelSessions, RobustSessionsWithWorkerThreadsToo)
{
    runInParallel(withThreads(robustSettings(), 1));
    runInParallel(withThreads(robustSettings(), 2));
}
