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

TEST_F(CliCommand, DoubtfulTargetsAndTruthAreWarnedAbout)
{
    makeClip(3);
    // Target 2's row has confidence 0: ground truth marks such rows to be
    // ignored.
    std::ofstream(path("t.txt")) << "1,1,136,261,18,18,1,1,1\n1,2,46,226,18,18,0,1,1\n";
    Result r = track("clip.avi -q --seed 1 --samples 100 --targets t.txt");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "tavo-track: warning: 't.txt' line 2: confidence 0, which marks rows to be ignored; "
                     "tracked all the same\n");

    // Ground truth of nine objects for one target, and two boxes without
    // area.
    {
        std::ofstream gt(path("gt.txt"));
        gt << readFile(path("clip.gt.txt")) << "2,1,40,40,0,18\n3,1,40,40,18,-1\n";
    }
    r = track("clip.avi -q --seed 1 --samples 100 --box 136,261,18,18 --gt gt.txt");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "tavo-track: warning: 'gt.txt': no target has the ids 2, 3, 4, 5, 6, 7, 8, 9; their boxes count "
                     "as misses\n"
                     "tavo-track: warning: 'gt.txt' lines 28, 29: boxes without area, which no target can match\n");
    EXPECT_NE(r.out.find("CLEAR-MOT:"), std::string::npos) << "the report is printed as ever";

    // Clean inputs: no warning.
    EXPECT_EQ(track("clip.avi -q --seed 1 --samples 100 --targets clip.gt.txt --gt clip.gt.txt").err, "");
}
