// Runs that succeed on doubtful input say so on stderr and keep their exit
// status: a video that ends before the frames it declares or declares a
// frame rate no video is written at, targets a ground-truth file marks to
// be ignored, ground truth no target follows, ground-truth boxes without
// area, empty ground truth or an object twice in a frame, and settings the
// others leave without effect.

#include "command_run.h"

#include <gtest/gtest.h>

using namespace command_run;

TEST_F(CliCommand, AVideoThatEndsEarlyIsPointedOut)
{
    // The header, written when the file was closed, declares 20 frames; the
    // second half of the file is gone.
    makeClip(20);
    fs::resize_file(path("clip.avi"), fs::file_size(path("clip.avi")) / 2);
    const Result r = track("clip.avi --demo-targets -q --seed 1 --samples 100 --mot m.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    const size_t frames = lines(readFile(path("m.txt"))).size() / 9;
    ASSERT_GT(frames, 0u);
    ASSERT_LT(frames, 20u);
    EXPECT_EQ(r.err, "tavo-track: warning: 'clip.avi' ends early: frame " + std::to_string(frames + 1) +
                         " cannot be read, though the file declares 20 frames; the results cover frames 1 to " +
                         std::to_string(frames) + "\n");

    // A whole video, and one cut short by --frames, end without a word.
    makeClip(5);
    EXPECT_EQ(track("clip.avi --demo-targets -q --seed 1 --samples 100").err, "");
    EXPECT_EQ(track("clip.avi --demo-targets -q --seed 1 --samples 100 --frames 2").err, "");
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
        gt << readFile(path("clip.gt.txt")) << "4,1,40,40,0,18\n5,1,40,40,18,-1\n";  // after the clip
    }
    r = track("clip.avi -q --seed 1 --samples 100 --box 136,261,18,18 --gt gt.txt");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "tavo-track: warning: 'gt.txt': no target has the ids 2, 3, 4, 5, 6, 7, 8, 9; their boxes count "
                     "as misses\n"
                     "tavo-track: warning: 'gt.txt' lines 28, 29: boxes without area, which no target can match\n");
    EXPECT_NE(r.out.find("CLEAR-MOT:"), std::string::npos) << "the report is printed as ever";
    // A box with its own id is that id's target.
    r = track("clip.avi -q --seed 1 --samples 100 --box-id 5,136,261,18,18 --frames 3 --gt clip.gt.txt");
    EXPECT_EQ(r.err, "tavo-track: warning: 'clip.gt.txt': no target has the ids 1, 2, 3, 4, 6, 7, 8, 9; their boxes "
                     "count as misses\n");

    // Clean inputs: no warning.
    EXPECT_EQ(track("clip.avi -q --seed 1 --samples 100 --targets clip.gt.txt --gt clip.gt.txt").err, "");
}

TEST_F(CliCommand, EmptyOrRepeatedTruthIsWarnedAbout)
{
    makeClip(2);
    const std::string run = "clip.avi -q --seed 1 --samples 100 --box 136,261,18,18 ";
    std::ofstream(path("empty.txt")) << "\n";
    Result r = track(run + "--gt empty.txt");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "tavo-track: warning: 'empty.txt' holds no boxes: no frame has an object to score, and every "
                     "box tracked counts as a false positive\n");

    std::ofstream(path("twice.txt")) << "1,1,136,261,18,18\n2,1,136,261,18,18\n1,1,140,261,18,18\n";
    r = track(run + "--gt twice.txt");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "tavo-track: warning: 'twice.txt' gives an object twice in a frame: id 1 on frame 1 (line 3, "
                     "first on line 1); each row counts as an object of its own\n");
}

TEST_F(CliCommand, SettingsWithoutEffectAreWarnedAbout)
{
    makeClip(2);
    const std::string run = "clip.avi -q --seed 1 --samples 100 --frames 1 --box 136,261,18,18 ";
    const std::string hsv = "--hsv-bins 5,5,5 --min-saturation 30 --min-value 60 --normalise-light ";
    const Result r = track(run + hsv + "--scale-range 0.8,1.2 --coast-when-joined --fit-growth-guard "
                                       "--ring-still-while-still --learn-revealed --work-near-targets");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "tavo-track: warning: --hsv-bins does nothing with --model hue: it needs --model hsv\n"
                     "tavo-track: warning: --min-saturation does nothing with --model hue: it needs --model hsv\n"
                     "tavo-track: warning: --min-value does nothing with --model hue: it needs --model hsv\n"
                     "tavo-track: warning: --normalise-light does nothing with --model hue: it needs --model hsv\n"
                     "tavo-track: warning: --scale-range does nothing without a scale walk: it needs "
                     "--scale-noise, --aspect-noise or --shape-noise above 0\n"
                     "tavo-track: warning: --coast-when-joined does nothing without --fit-box, which tells when a "
                     "look-alike joins a target's object\n"
                     "tavo-track: warning: --fit-growth-guard does nothing without --fit-box, whose fitted boxes it "
                     "holds back\n"
                     "tavo-track: warning: --ring-still-while-still does nothing without --ring-still-unknown, the "
                     "rule it stops\n"
                     "tavo-track: warning: --learn-revealed does nothing without --foreground, whose background it "
                     "learns\n"
                     "tavo-track: warning: --work-near-targets does nothing without --foreground, whose "
                     "background it compares\n");
    EXPECT_EQ(track(run + "--coast-while-matched").err,
              "tavo-track: warning: --coast-while-matched does nothing without --coast-when-joined, whose coasting "
              "it stops\n");
    EXPECT_EQ(track(run + "--join-ends-apart").err,
              "tavo-track: warning: --join-ends-apart does nothing without --fit-box, whose joins it ends\n");
    EXPECT_EQ(track(run + "--foreground 1 --ring-still-unknown --ring-still-while-unmoved").err,
              "tavo-track: warning: --ring-still-while-unmoved stops --ring-still-unknown at once without "
              "--learn-revealed, which watches the first boxes\n");
    // With what they need, or under --robust (the hsv model, a scale walk):
    // no word.
    EXPECT_EQ(track(run + hsv + "--model hsv --aspect-noise 0.01 --scale-range 0.8,1.2").err, "");
    EXPECT_EQ(track(run + hsv + "--robust --scale-range 0.8,1.2 --coast-when-joined --fit-growth-guard "
                                "--ring-still-while-still --coast-while-matched --learn-revealed --join-ends-apart "
                                "--work-near-targets --ring-still-while-unmoved")
                  .err,
              "");
}

TEST_F(CliCommand, AFrameRateTooSlowToWriteIsPointedOut)
{
    // The stream header's scale and rate (frames per second = rate / scale)
    // changed to 1 / 2147483647.
    makeClip(2);
    std::string bytes = readFile(path("clip.avi"));
    const size_t header = bytes.find("strh");
    ASSERT_NE(header, std::string::npos);
    const unsigned char slow[8] = {0xff, 0xff, 0xff, 0x7f, 1, 0, 0, 0};
    bytes.replace(header + 28, 8, reinterpret_cast<const char*>(slow), 8);
    std::ofstream(path("slow.avi"), std::ios::binary) << bytes;
    const Result r = track("slow.avi --demo-targets -q --seed 1 --samples 100 --video v.avi");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "tavo-track: warning: 'slow.avi' declares 4.65661e-10 frames/s, slower than a video file can "
                     "be written at; --video is written at 25 frames/s\n");
    EXPECT_TRUE(fs::exists(path("v.avi")));
}
