// tavo-track as a user runs it: exit statuses and messages, reproducible
// and well-formed result files, progress and summary, accuracy against
// ground truth, and a video whose frame size changes mid-stream.

#include "programs/track/outputs.h"
#include "rendering/target_colours.h"
#include "command_run.h"
#include "synthetic_video.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/videoio.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;
using namespace tavo_cli;
using namespace command_run;

namespace {

// The rows of a --gt report: id, frames, mean and max error, success, confusions.
struct ScoreRow {
    int id, frames;
    double meanError, maxError, success;
    int confusions;
};

std::vector<ScoreRow> scoreRows(const std::string& report)
{
    std::vector<ScoreRow> rows;
    for (const std::string& line : lines(report)) {
        ScoreRow r;
        if (std::sscanf(line.c_str(), "%d %d %lf %lf %lf %d", &r.id, &r.frames, &r.meanError, &r.maxError,
                        &r.success, &r.confusions) == 6)
            rows.push_back(r);
    }
    return rows;
}

void expectAccurate(const Result& r, int frames)
{
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<ScoreRow> rows = scoreRows(r.out);
    ASSERT_EQ(rows.size(), 9u) << r.out;
    for (const ScoreRow& row : rows) {
        EXPECT_EQ(row.frames, frames) << "target " << row.id;
        EXPECT_GE(row.success, 0.95) << "target " << row.id << "\n" << r.out;
        EXPECT_EQ(row.confusions, 0) << "target " << row.id << "\n" << r.out;
    }
    EXPECT_NE(r.out.find("ID switches 0 "), std::string::npos) << r.out;
}

}  // namespace

TEST_F(CliCommand, HelpAndVersion)
{
    Result r = track("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: tavo-track [VIDEO] [options]"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("--seed T"), std::string::npos);
    EXPECT_EQ(r.err, "");
    r = track("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("tavo-track ", 0), 0u) << r.out;
}

TEST_F(CliCommand, UsageErrorsExitWithTwoAndNameTheCulprit)
{
    makeClip(2);
    {
        std::ofstream targets(path("many.txt"));
        for (int id = 1; id <= 12; ++id)
            targets << "1," << id << ",10,10,8,8\n";
    }
    const std::string clip = readFile(path("clip.avi"));
    const struct {
        const char* args;
        const char* named;
    } cases[] = {
        {"clip.avi --demo-targets --bogus", "'--bogus'"},
        {"clip.avi --demo-targets --samples 12abc", "'12abc'"},
        {"clip.avi --demo-targets --samples 0", "'0'"},
        {"clip.avi --demo-targets --noise nan", "'nan'"},
        {"clip.avi --demo-targets --frames -4", "'-4'"},
        {"clip.avi --demo-targets --seed 99999999999999999999", "'99999999999999999999'"},
        {"clip.avi --box 1,2,0,4", "'1,2,0,4'"},
        {"clip.avi --demo-targets --mot clip.avi", "'clip.avi'"},
        {"clip.avi --demo-targets --mot out.txt --estimates ./out.txt", "'./out.txt'"},
        {"clip.avi --targets many.txt --samples 2000000", "at most 11"},
        {"clip.avi --demo-targets --plot paths.jpg", "'paths.jpg'"},
        {"clip.avi --demo-targets --plot out.png --mot out.png", "'out.png'"},
        {"clip.avi --demo-targets --gt clip.gt.txt --plot p.png --video p-errors.png", "error picture of --plot"},
    };
    for (const auto& c : cases) {
        const Result r = track(c.args);
        EXPECT_EQ(r.status, 2) << c.args << "\n" << r.err;
        EXPECT_EQ(r.err.rfind("tavo-track: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.named), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_EQ(r.out, "") << c.args;
    }
    EXPECT_FALSE(fs::exists(path("out.txt")));
    EXPECT_EQ(readFile(path("clip.avi")), clip) << "the input was overwritten";
}

TEST_F(CliCommand, RunTimeErrorsExitWithOneAndNameTheCulprit)
{
    makeClip(2);
    std::ofstream(path("garbage.avi")) << "this is no video";
    {
        cv::VideoWriter empty(path("empty.avi"), cv::CAP_FFMPEG, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), 25,
                              cv::Size(64, 64));
        ASSERT_TRUE(empty.isOpened());
    }
    std::ofstream(path("blank.txt")) << "\n";
    std::ofstream(path("broken.txt")) << "1,1,10,10,18,18\n2,1,ten,10,18,18\n";
    // An output that exists already must survive a run that fails before it starts.
    std::ofstream(path("kept.csv")) << "earlier results\n";

    const struct {
        const char* args;
        const char* named;
    } cases[] = {
        {"missing.avi --demo-targets", "'missing.avi'"},
        {"garbage.avi --demo-targets", "'garbage.avi'"},
        {"empty.avi --demo-targets", "'empty.avi'"},
        {"clip.avi --box 320,0,10,10 --estimates kept.csv", "320,0,10,10"},
        {"clip.avi --box -10,-10,10,10", "-10,-10,10,10"},
        {"clip.avi --targets none.txt --estimates kept.csv", "'none.txt'"},
        {"clip.avi --targets blank.txt", "blank.txt"},
        {"clip.avi --targets broken.txt", "broken.txt:2:"},
        {"clip.avi --demo-targets --gt none.txt", "'none.txt'"},
        {"clip.avi --demo-targets --gt broken.txt", "broken.txt:2:"},
        {"clip.avi --demo-targets --video fresh.avi --mot no/such/dir/m.txt", "'no/such/dir/m.txt'"},
        {"clip.avi --demo-targets --video no/such/dir/v.avi", "'no/such/dir/v.avi'"},
        {"clip.avi --demo-targets --plot no/such/dir/p.png --estimates kept.csv", "'no/such/dir/p.png'"},
    };
    for (const auto& c : cases) {
        const Result r = track(c.args);
        EXPECT_EQ(r.status, 1) << c.args << "\n" << r.err;
        EXPECT_EQ(r.err.rfind("tavo-track: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.named), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one message only: " << r.err;
    }
    EXPECT_EQ(readFile(path("kept.csv")), "earlier results\n");
    EXPECT_FALSE(fs::exists(path("fresh.avi"))) << "a refused run leaves no new file behind";
}

TEST_F(CliCommand, WindowsNeedADisplay)
{
    makeClip(2);
    // Qt's own platform choice is left out: the X11 one is what needs a display.
    const std::string unset = "env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY ";
    const struct {
        std::string command;
        const char* said;
    } cases[] = {
        {unset + "-u DISPLAY '" TAVO_TRACK "' clip.avi --select --mot m.txt", "--select needs a display: DISPLAY is not set"},
        {unset + "-u DISPLAY '" TAVO_TRACK "' clip.avi --demo-targets --show --mot m.txt", "--show needs a display: DISPLAY is not set"},
        {unset + "DISPLAY= '" TAVO_TRACK "' clip.avi --show --select", "--select needs a display"},
        // A display that is not there: refused the same way, not aborted by Qt.
        {unset + "DISPLAY=:4711 '" TAVO_TRACK "' clip.avi --demo-targets --show --mot m.txt", "--show needs a display: cannot connect"},
    };
    for (const auto& c : cases) {
        const Result r = shell(c.command);
        EXPECT_EQ(r.status, 2) << c.command << "\n" << r.err;
        EXPECT_EQ(r.err.rfind(std::string("tavo-track: ") + c.said, 0), 0u) << c.command << "\n" << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(fs::exists(path("m.txt"))) << "a refused run leaves no new file behind";
}

TEST_F(CliCommand, SameSeedGivesIdenticalFilesAnotherSeedOtherEstimates)
{
    makeClip(8);
    const std::string common = "clip.avi --demo-targets --frames 8 --samples 100 --iterations 500 -q";
    ASSERT_EQ(track(common + " --seed 5 --mot a.txt --estimates a.csv").status, 0);
    ASSERT_EQ(track(common + " --seed 5 --mot b.txt --estimates b.csv").status, 0);
    ASSERT_EQ(track(common + " --seed 6 --mot c.txt --estimates c.csv").status, 0);
    EXPECT_EQ(lines(readFile(path("a.csv"))).size(), 1u + 8 * 9);
    EXPECT_EQ(readFile(path("a.txt")), readFile(path("b.txt")));
    EXPECT_EQ(readFile(path("a.csv")), readFile(path("b.csv")));
    EXPECT_NE(readFile(path("a.csv")), readFile(path("c.csv")));
}

TEST_F(CliCommand, ResultFilesHaveTheirFormats)
{
    makeClip(10);
    const Result r = track("clip.avi --demo-targets --seed 3 --frames 6 --samples 150 --mot m.txt --estimates e.csv --video v.avi");
    ASSERT_EQ(r.status, 0) << r.err;

    const std::vector<std::string> mot = lines(readFile(path("m.txt")));
    const std::vector<std::string> est = lines(readFile(path("e.csv")));
    ASSERT_EQ(mot.size(), 6u * 9);
    ASSERT_EQ(est.size(), 1u + 6 * 9);
    EXPECT_EQ(est[0], "frame,id,pos_x,pos_y,vel_x,vel_y,scale_x,scale_y");
    for (size_t i = 0; i < mot.size(); ++i) {
        const std::vector<std::string> m = split(mot[i]);
        const std::vector<std::string> e = split(est[i + 1]);
        ASSERT_EQ(m.size(), 10u) << mot[i];
        ASSERT_EQ(e.size(), 8u) << est[i + 1];
        const int frame = static_cast<int>(i / 9) + 1, id = static_cast<int>(i % 9) + 1;
        EXPECT_EQ(m[0], std::to_string(frame));
        EXPECT_EQ(m[1], std::to_string(id));
        EXPECT_EQ(e[0], m[0]);
        EXPECT_EQ(e[1], m[1]);
        EXPECT_EQ(m[6] + m[7] + m[8] + m[9], "1-1-1-1");

        // Every estimate is printed so that it reads back to the same float,
        // and the MOT box is that estimate's, to two decimals.
        Sample s;
        float* fields[] = {&s.posX, &s.posY, &s.velX, &s.velY, &s.scaleX, &s.scaleY};
        for (int f = 0; f < 6; ++f) {
            *fields[f] = std::strtof(e[2 + f].c_str(), nullptr);
            char again[32];
            std::snprintf(again, sizeof again, "%.9g", *fields[f]);
            EXPECT_EQ(e[2 + f], again);
        }
        const double w = 18.0 * s.scaleX, h = 18.0 * s.scaleY;
        const double expected[4] = {s.posX - w / 2, s.posY - h / 2, w, h};
        for (int f = 0; f < 4; ++f) {
            EXPECT_NEAR(std::stod(m[2 + f]), expected[f], 0.005 + 1e-9) << mot[i];
            EXPECT_EQ(m[2 + f].size() - m[2 + f].find('.'), 3u) << "two decimals: " << mot[i];
        }
        EXPECT_NEAR(std::stod(m[4]), 18, 1);
    }

    cv::VideoCapture video(path("v.avi").string(), cv::CAP_FFMPEG);
    ASSERT_TRUE(video.isOpened());
    EXPECT_EQ(video.get(cv::CAP_PROP_FPS), 25.0);
    cv::Mat frame;
    int frames = 0;
    while (video.read(frame)) {
        EXPECT_EQ(frame.size(), cv::Size(synthetic::kWidth, synthetic::kHeight));
        if (frames++ == 0) {
            // Target 1's black rectangle is drawn over its coloured square.
            const cv::Vec3b edge = frame.at<cv::Vec3b>(261, 144);
            EXPECT_LT(edge[0] + edge[1] + edge[2], 150) << edge;
        }
    }
    EXPECT_EQ(frames, 6);
}

TEST_F(CliCommand, RobustVideosDrawBoxesInTheTargetsColoursUnlessDrawSaysDesign)
{
    makeClip(2);
    ASSERT_EQ(track("clip.avi --demo-targets --seed 3 -q --robust --video boxes.avi").status, 0);
    ASSERT_EQ(track("clip.avi --demo-targets --seed 3 -q --draw design --robust --video design.avi").status, 0);
    // Near target 1's top-left corner (see ResultFilesHaveTheirFormats),
    // the closest pixel to its colour, through MJPG's losses.
    const auto distanceToColour = [&](const std::string& file) {
        cv::VideoCapture video(path(file).string(), cv::CAP_FFMPEG);
        cv::Mat frame;
        EXPECT_TRUE(video.read(frame)) << file;
        const cv::Scalar c = targetColour(1);
        double closest = 1e9;
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx) {
                const cv::Vec3b p = frame.at<cv::Vec3b>(261 + dy, 144 + dx);
                closest = std::min(closest, std::abs(p[0] - c[0]) + std::abs(p[1] - c[1]) + std::abs(p[2] - c[2]));
            }
        return closest;
    };
    EXPECT_LT(distanceToColour("boxes.avi"), 60);
    EXPECT_GT(distanceToColour("design.avi"), 150);
}

TEST_F(CliCommand, TheMotBoxKeepsTheTargetsSize)
{
    // Every sample has scale 1, their weighted mean a hair less: the box is
    // still 20 x 20 (the drawing's whole pixels made it 19 x 19).
    makeClip(2);
    ASSERT_EQ(track("clip.avi -q --seed 1 --frames 1 --box 10,10,20,20 --mot m.txt").status, 0);
    const std::vector<std::string> m = split(readFile(path("m.txt")));
    ASSERT_EQ(m.size(), 10u);
    EXPECT_EQ(m[4] + "x" + m[5], "20.00x20.00");
}

TEST_F(CliCommand, SummaryOnStdoutProgressOnlyOnATerminal)
{
    makeClip(4);
    Result r = track("clip.avi --demo-targets --samples 100 --seed 1");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "") << "no progress line without a terminal in the first ten seconds";
    const std::vector<std::string> out = lines(r.out);
    ASSERT_EQ(out.size(), 1u) << r.out;
    EXPECT_EQ(out[0].rfind("4 frames, 9 targets, ", 0), 0u) << out[0];
    for (const char* part : {" ms median / ", " ms mean, whole frame ", " frames/s"})
        EXPECT_NE(out[0].find(part), std::string::npos) << out[0];

    r = track("clip.avi --demo-targets --samples 100 --quiet");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out + r.err, "");

    // On a terminal (script gives the command one) a progress line appears
    // and is cleared; --quiet keeps the terminal silent.
    if (std::system("command -v script >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "script(1) is needed for a terminal";
    r = shell("script -qec \"'" TAVO_TRACK "' clip.avi --demo-targets --samples 100 --frames 3\" /dev/null");
    EXPECT_NE(r.out.find("\rframe 1 of 3"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\r\033[K3 frames, 9 targets"), std::string::npos) << r.out;
    r = shell("script -qec \"'" TAVO_TRACK "' clip.avi --demo-targets --samples 100 --frames 3 -q\" /dev/null");
    EXPECT_EQ(r.out.find("frame 1"), std::string::npos) << r.out;
}

TEST_F(CliCommand, TargetsComeFromTheLowestFrameOfAFileInIdOrder)
{
    makeClip(3);
    // Frames 3 and 2 first, ids of frame 1 in reverse: the boxes still
    // come out in id order.
    std::vector<std::string> gt = lines(readFile(path("clip.gt.txt")));
    std::reverse(gt.begin(), gt.end());
    {
        std::ofstream targets(path("targets.txt"));
        for (const std::string& line : gt)
            targets << line << "\n";
    }
    const Result r = track("clip.avi --targets targets.txt --frames 1 --samples 100 --seed 2 --mot m.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> mot = lines(readFile(path("m.txt")));
    ASSERT_EQ(mot.size(), 9u);
    for (int i = 0; i < 9; ++i) {
        const std::vector<std::string> m = split(mot[i]);
        EXPECT_NEAR(std::stoi(m[2]), kDemoTargets[i].x, 2) << mot[i];
        EXPECT_NEAR(std::stoi(m[3]), kDemoTargets[i].y, 2) << mot[i];
    }
}

TEST_F(CliCommand, TracksTheSyntheticClipAccurately)
{
    makeClip(100);
    expectAccurate(track("clip.avi --demo-targets --seed 1 --gt clip.gt.txt"), 100);
}

TEST_F(CliCommand, TracksTheDemoVideoAccurately)
{
    const fs::path build(TAVO_BINARY_DIR);
    if (!fs::exists(build / "TAVO_DEMO.avi") || !fs::exists(build / "TAVO_DEMO.gt.txt"))
        GTEST_SKIP() << "the build has not written TAVO_DEMO.avi and TAVO_DEMO.gt.txt";
    cv::VideoCapture demo((build / "TAVO_DEMO.avi").string(), cv::CAP_FFMPEG);
    const int frames = static_cast<int>(demo.get(cv::CAP_PROP_FRAME_COUNT));
    // No video argument: the command reads TAVO_DEMO.avi of its directory.
    expectAccurate(track("--seed 1 --gt TAVO_DEMO.gt.txt", build), frames);
}

TEST_F(CliCommand, AFrameOfAnotherSizeStopsTheRunWithCompleteOutputs)
{
    // Frames 1 to 5 full size, 6 and 7 at half size.
    for (int f = 1; f <= 7; ++f) {
        char name[32];
        std::snprintf(name, sizeof name, "seq_%03d.sr", f - 1);
        writeSunRaster(path(name), synthetic::frameAt(f, f <= 5 ? 1.0 : 0.5));
    }
    const Result r = track("seq_%03d.sr --demo-targets --seed 4 --samples 100 --mot m.txt --estimates e.csv --video v.avi");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("frame 6 of 'seq_%03d.sr' is 160x160"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("stopped after frame 5"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.rfind("5 frames, 9 targets", 0), 0u) << r.out;

    const std::string mot = readFile(path("m.txt"));
    const std::string est = readFile(path("e.csv"));
    EXPECT_EQ(lines(mot).size(), 5u * 9);
    EXPECT_EQ(lines(est).size(), 1u + 5 * 9);
    EXPECT_EQ(mot.back(), '\n');
    EXPECT_EQ(est.back(), '\n');
    EXPECT_EQ(lines(mot).back().rfind("5,9,", 0), 0u);
    cv::VideoCapture video(path("v.avi").string(), cv::CAP_FFMPEG);
    ASSERT_TRUE(video.isOpened());
    cv::Mat frame;
    int frames = 0;
    while (video.read(frame))
        ++frames;
    EXPECT_EQ(frames, 5);
}

// The plot of a run on the demo video: the frame's size, each target's colour
// along its ground-truth path; with --gt the error picture next to it.
TEST_F(CliCommand, PlotShowsEveryTargetAlongItsPath)
{
    const fs::path build(TAVO_BINARY_DIR);
    if (!fs::exists(build / "TAVO_DEMO.avi") || !fs::exists(build / "TAVO_DEMO.gt.txt"))
        GTEST_SKIP() << "the build has not written TAVO_DEMO.avi and TAVO_DEMO.gt.txt";
    const int frames = 150;
    const Result r = track("'" + (build / "TAVO_DEMO.avi").string() + "' --seed 1 -q --frames " +
                           std::to_string(frames) + " --gt '" + (build / "TAVO_DEMO.gt.txt").string() +
                           "' --plot paths.png");
    ASSERT_EQ(r.status, 0) << r.err;
    const cv::Mat plot = cv::imread(path("paths.png").string(), cv::IMREAD_COLOR);
    ASSERT_FALSE(plot.empty()) << "no readable paths.png";
    EXPECT_EQ(plot.size(), cv::Size(320, 320));

    // At every 25th frame the target's colour lies within two pixels of its
    // ground-truth centre (the tracker follows the demo within a pixel or
    // two); one miss per target is allowed where another path crosses.
    std::ifstream gt(build / "TAVO_DEMO.gt.txt");
    std::map<int, int> found, sampled;
    for (std::string line; std::getline(gt, line);) {
        const std::vector<std::string> f = split(line);
        const int frame = std::stoi(f[0]), id = std::stoi(f[1]);
        if (frame > frames || frame % 25 != 0)
            continue;
        const cv::Point centre(static_cast<int>(std::stod(f[2]) + std::stod(f[4]) / 2),
                               static_cast<int>(std::stod(f[3]) + std::stod(f[5]) / 2));
        const cv::Scalar c = targetColour(id);
        const cv::Vec3b colour(static_cast<uchar>(c[0]), static_cast<uchar>(c[1]), static_cast<uchar>(c[2]));
        bool seen = false;
        for (int dy = -2; dy <= 2 && !seen; ++dy)
            for (int dx = -2; dx <= 2 && !seen; ++dx)
                seen = plot.at<cv::Vec3b>(centre + cv::Point(dx, dy)) == colour;
        ++sampled[id];
        found[id] += seen;
    }
    ASSERT_EQ(sampled.size(), 9u);
    for (const auto& [id, n] : sampled)
        EXPECT_GE(found[id], n - 1) << "target " << id << ": its colour at " << found[id] << " of " << n
                                    << " ground-truth centres";

    const cv::Mat errors = cv::imread(path("paths-errors.png").string(), cv::IMREAD_COLOR);
    ASSERT_FALSE(errors.empty()) << "no readable paths-errors.png";
    for (int id = 1; id <= 9; ++id) {
        const cv::Scalar c = targetColour(id);
        cv::Mat same;
        cv::inRange(errors, c, c, same);
        EXPECT_GT(cv::countNonZero(same), frames) << "no curve of target " << id;
    }

    // Without --gt there is no error picture.
    ASSERT_EQ(track("'" + (build / "TAVO_DEMO.avi").string() + "' --seed 1 -q --frames 3 --plot only.png").status, 0);
    EXPECT_TRUE(fs::exists(path("only.png")));
    EXPECT_FALSE(fs::exists(path("only-errors.png")));
}
