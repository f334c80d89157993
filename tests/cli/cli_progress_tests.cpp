// The progress of a run: a plain line every ten seconds where stderr is not
// a terminal, and the summary's counts and elapsed time.

#include "programs/track/progress.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace tavo_cli;

namespace {

std::string contents(std::FILE* file)
{
    std::fflush(file);
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;)
        text += static_cast<char>(c);
    return text;
}

}  // namespace

TEST(CliProgress, ALogGetsAPlainLineEveryTenSeconds)
{
    std::FILE* log = std::tmpfile();
    ASSERT_TRUE(log);
    ASSERT_EQ(Progress::kindFor(true, log), Progress::Kind::Log);
    ASSERT_EQ(Progress::kindFor(false, log), Progress::Kind::None);
    Progress::Clock::time_point now{};
    Progress progress(Progress::Kind::Log, 100, log, [&] { return now; });
    FrameTimes times;
    for (int frame = 1; frame <= 40; ++frame) {
        times.add(500.0, 1000.0);
        now += std::chrono::seconds(1);  // a frame a second
        progress.update(frame, times);
    }
    progress.clear();
    // Frames 10, 20, 30 and 40: nothing in the first ten seconds, so that
    // short runs stay quiet, and no terminal control characters.
    EXPECT_EQ(contents(log), "tavo-track: frame 10 of 100, 1.0 frames/s, 90 s left\n"
                             "tavo-track: frame 20 of 100, 1.0 frames/s, 80 s left\n"
                             "tavo-track: frame 30 of 100, 1.0 frames/s, 70 s left\n"
                             "tavo-track: frame 40 of 100, 1.0 frames/s, 60 s left\n");
    std::fclose(log);
}

TEST(CliProgress, TheSummaryCountsInTheSingularAndSaysHowLongTheRunTook)
{
    FrameTimes times;
    times.add(1.0, 2.0);
    EXPECT_EQ(times.summary(1, 0.04).rfind("1 frame, 1 target, 0.0 s in all: tracking cycle 1.00 ms median", 0), 0u)
        << times.summary(1, 0.04);
    times.add(1.0, 2.0);
    EXPECT_EQ(times.summary(9, 75.2).rfind("2 frames, 9 targets, 1 min 15 s in all: ", 0), 0u);
    EXPECT_EQ(durationText(2 * 3600 + 7 * 60 + 59), "2 h 07 min");
}
