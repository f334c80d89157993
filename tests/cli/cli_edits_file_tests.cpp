// Changes to the targets repeated from a file (--apply-edits): they act
// between the frames exactly as the library's calls made at the same point,
// so that a corrected run is repeated to the bit; lines that cannot be
// applied are warned about, files that are not edits are refused.

#include "programs/track/result_lines.h"
#include "command_run.h"

#include <gtest/gtest.h>

#include <opencv2/videoio.hpp>

using namespace command_run;

namespace {

std::string boxFields(int i, int frame, int side)
{
    const synthetic::Square s = synthetic::squareAt(i, frame);
    return std::to_string(s.x) + " " + std::to_string(s.y) + " " + std::to_string(side) + " " + std::to_string(side);
}

Box boxOf(int i, int frame, int side)
{
    const synthetic::Square s = synthetic::squareAt(i, frame);
    return Box{s.x, s.y, side, side};
}

}  // namespace

TEST_F(CliCommand, AppliedEditsActAfterTheirFrameAsTheLibraryCallsDo)
{
    constexpr int kFrames = 12;
    constexpr int64_t kSeed = 3;
    makeClip(kFrames);
    // Square 3 joins as target 5 after frame 3, target 1 is relearnt on a
    // wider box after frame 5, target 2 ends after frame 7.
    std::ofstream(path("e.txt")) << "# corrected by hand\n\n3 add 5 " << boxFields(2, 3, 18) << "\n"
                                 << "5 reinit 1 " << boxFields(0, 5, 22) << "\r\n7 drop 2\n";
    const Result run = track("clip.avi -q --seed 3 --box " + boxText(boxOf(0, 1, 18)) + " --box " +
                             boxText(boxOf(1, 1, 18)) + " --apply-edits e.txt --mot m.txt");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "tavo-track: edit: 3 add 5 " + boxFields(2, 3, 18) + "\ntavo-track: edit: 5 reinit 1 " +
                           boxFields(0, 5, 22) + "\ntavo-track: edit: 7 drop 2\n");

    // The same changes through the library, between the same steps.
    cv::VideoCapture video(path("clip.avi").string());
    cv::Mat frame;
    ASSERT_TRUE(video.read(frame));
    std::string error;
    const auto session = TrackingSession::start(frame, {boxOf(0, 1, 18), boxOf(1, 1, 18)}, TrackingSettings{},
                                                kSeed, error);
    ASSERT_TRUE(session) << error;
    std::string expected;
    for (int f = 1;; ++f) {
        for (const TrackedTarget& t : session->targets())
            if (!t.lost)
                expected += tavo_cli::motLine(f, t.id, t.box, std::nullopt, t.inFrame);
        if (f == 3) {
            ASSERT_EQ(session->addTarget(boxOf(2, 3, 18), 5, error), 5) << error;
        } else if (f == 5) {
            ASSERT_TRUE(session->reinitTarget(1, boxOf(0, 5, 22), error)) << error;
        } else if (f == 7) {
            ASSERT_TRUE(session->removeTarget(2, error)) << error;
        }
        if (f == kFrames || !video.read(frame))
            break;
        ASSERT_EQ(session->step(frame), StepOutcome::Tracked);
    }
    EXPECT_EQ(readFile(path("m.txt")), expected);
    // The summary counts the targets of the run, the dropped one too.
    const Result told = track("clip.avi --seed 3 --box " + boxText(boxOf(0, 1, 18)) + " --box " +
                              boxText(boxOf(1, 1, 18)) + " --apply-edits e.txt --mot again.txt");
    ASSERT_EQ(told.status, 0) << told.err;
    EXPECT_EQ(told.out.rfind("12 frames, 3 targets, ", 0), 0u) << told.out;
    EXPECT_EQ(readFile(path("again.txt")), expected);
    // Target 5 from frame 4 on, target 2 up to frame 7.
    EXPECT_NE(expected.find("\n4,5,"), std::string::npos);
    EXPECT_EQ(expected.find("\n3,5,"), std::string::npos);
    EXPECT_NE(expected.find("\n7,2,"), std::string::npos);
    EXPECT_EQ(expected.find("\n8,2,"), std::string::npos);
}

TEST_F(CliCommand, EditsThatCannotBeAppliedAreWarnedAboutAndBadFilesRefused)
{
    makeClip(6);
    const std::string run = "clip.avi --seed 1 --start 2 --box " + boxText(boxOf(0, 2, 18)) + " --mot m.txt -q ";
    std::ofstream(path("e.txt")) << "1 drop 1\n3 drop 7\n3 add 1 " << boxFields(1, 3, 18) << "\n4 reinit 1 400 400 18 18\n";
    const Result warned = track(run + "--apply-edits e.txt");
    ASSERT_EQ(warned.status, 0) << warned.err;
    for (const std::string& line : lines(warned.err))
        EXPECT_EQ(line.rfind("tavo-track: warning: 'e.txt' line ", 0), 0u) << line;
    ASSERT_EQ(lines(warned.err).size(), 4u) << warned.err;
    EXPECT_NE(warned.err.find("line 1: frame 1 is before the first frame tracked, 2: not applied"), std::string::npos);
    EXPECT_NE(warned.err.find("line 2: not applied on frame 3: "), std::string::npos);
    EXPECT_NE(warned.err.find("line 3: not applied on frame 3: "), std::string::npos);
    EXPECT_NE(warned.err.find("line 4: not applied on frame 4: "), std::string::npos);
    EXPECT_EQ(lines(readFile(path("m.txt"))).size(), 5u);  // target 1 on frames 2 to 6

    std::ofstream(path("bad.txt")) << "2 drop 1\n2 move 1\n";
    const Result bad = track(run + "--apply-edits bad.txt");
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "tavo-track: --apply-edits 'bad.txt' line 2: the change 'move' is none of add, drop, reinit\n");
    EXPECT_FALSE(fs::exists(path("m.txt.new")));
    const Result missing = track(run + "--apply-edits none.txt");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("--apply-edits 'none.txt'"), std::string::npos) << missing.err;

    const Result noWindow = track(run + "--edits out.txt");
    EXPECT_EQ(noWindow.status, 2);
    EXPECT_EQ(noWindow.err, "tavo-track: --edits needs --show: it holds the changes made in its window\n");
    const Result same = track(run + "--show --edits e.txt --apply-edits e.txt");
    EXPECT_EQ(same.status, 2);
    EXPECT_NE(same.err.find("--edits 'e.txt' would overwrite --apply-edits"), std::string::npos) << same.err;
}
