// Runs that succeed on doubtful input say so on stderr and keep their exit
// status: a video that ends before the frames it declares, targets a
// ground-truth file marks to be ignored, ground truth no target follows, and
// ground-truth boxes without area.

#include "command_run.h"

#include <gtest/gtest.h>

using namespace command_run;

TEST_F(CliCommand, AVideoThatEndsEarlyIsPointedOut)
{
    // The header, written when the file was closed, declares 20 frames; the
    // second half of the file is gone.
    makeClip(20);
    fs::resize_file(path("clip.avi"), fs::file_size(path("clip.avi")) / 2);
    const Result r = track("clip.avi -q --seed 1 --samples 100 --mot m.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    const size_t frames = lines(readFile(path("m.txt"))).size() / 9;
    ASSERT_GT(frames, 0u);
    ASSERT_LT(frames, 20u);
    EXPECT_EQ(r.err, "tavo-track: warning: 'clip.avi' ends early: frame " + std::to_string(frames + 1) +
                         " cannot be read, though the file declares 20 frames; the results cover frames 1 to " +
                         std::to_string(frames) + "\n");

    // A whole video, and one cut short by --frames, end without a word.
    makeClip(5);
    EXPECT_EQ(track("clip.avi -q --seed 1 --samples 100").err, "");
    EXPECT_EQ(track("clip.avi -q --seed 1 --samples 100 --frames 2").err, "");
}
