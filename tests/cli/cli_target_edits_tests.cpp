// Targets that change while tavo-track runs: a targets file's later rows
// that re-initialise a target (--reinit-from-targets), targets dropped once
// lost (--drop-lost) and the states of --states.

#include "command_run.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

using namespace command_run;

namespace {

// 60 frames of 160 x 120: a red square that leaves on the right (wholly
// outside from frame 21 on) and a blue one that stands still.
bool writeLeavingVideo(const std::string& name)
{
    cv::VideoWriter writer(name, cv::CAP_FFMPEG, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), 25.0, cv::Size(160, 120));
    if (!writer.isOpened())
        return false;
    for (int f = 1; f <= 60; ++f) {
        cv::Mat frame(120, 160, CV_8UC3, cv::Scalar(90, 90, 90));
        for (int r = 0; r < frame.rows; r += 8)
            cv::line(frame, {0, r}, {159, r}, cv::Scalar(70, 80, 75));
        cv::rectangle(frame, cv::Rect(100 + 3 * (f - 1), 30, 16, 16), cv::Scalar(30, 30, 220), cv::FILLED);
        cv::rectangle(frame, cv::Rect(20, 60, 16, 16), cv::Scalar(220, 60, 20), cv::FILLED);
        writer.write(frame);
    }
    return true;
}

// The rows of an estimates file with --states, by id: frame and state.
std::map<int, std::vector<std::pair<int, std::string>>> statesById(const std::string& text)
{
    std::map<int, std::vector<std::pair<int, std::string>>> rows;
    const std::vector<std::string> all = lines(text);
    for (size_t i = 1; i < all.size(); ++i) {
        const std::vector<std::string> f = split(all[i]);
        rows[std::stoi(f[1])].emplace_back(std::stoi(f[0]), f.back());
    }
    return rows;
}

}  // namespace

TEST_F(CliCommand, ALaterRowReinitialisesItsTargetOnlyWhenAsked)
{
    makeClip(12);
    // Target 1 starts on the grey ground; its row on frame 6 puts it on
    // square 1 (the demo's first rectangle), where the clip has it then.
    const std::string square = std::to_string(synthetic::squareAt(0, 6).x) + "," +
                               std::to_string(synthetic::squareAt(0, 6).y) + ",18,18";
    std::ofstream(path("t.txt")) << "1,1,150,150,18,18\n1,2,216,231,18,18\n6,1," << square << "\n"
                                 << "8,2,400,400,18,18\n";
    const std::string run = "clip.avi -q --seed 1 --targets t.txt --mot ";
    const Result asked = track(run + "r.txt --reinit-from-targets");
    ASSERT_EQ(asked.status, 0) << asked.err;
    EXPECT_NE(asked.err.find("tavo-track: warning: 't.txt' line 4: target 2 is not re-initialised on frame 8: "
                             "target 2 (box 400,400,18,18) lies wholly outside frame 8 (320x320)\n"),
              std::string::npos)
        << asked.err;
    const Result plain = track(run + "p.txt");
    ASSERT_EQ(plain.status, 0) << plain.err;

    const auto rowOf = [&](const std::string& file, int frame, int id) {
        for (const std::string& line : lines(readFile(path(file))))
            if (split(line)[0] == std::to_string(frame) && split(line)[1] == std::to_string(id))
                return split(line);
        return std::vector<std::string>{};
    };
    const std::vector<std::string> reinit = rowOf("r.txt", 6, 1);
    ASSERT_EQ(reinit.size(), 10u);
    EXPECT_EQ(reinit[2] + "," + reinit[3] + "," + reinit[4] + "," + reinit[5],
              std::to_string(synthetic::squareAt(0, 6).x) + ".00," + std::to_string(synthetic::squareAt(0, 6).y) +
                  ".00,18.00,18.00");
    // From then on it follows square 1; without the option it stays on the ground.
    const synthetic::Square last = synthetic::squareAt(0, 12);
    EXPECT_NEAR(std::stod(rowOf("r.txt", 12, 1)[2]), last.x, 3.0);
    EXPECT_NEAR(std::stod(rowOf("r.txt", 12, 1)[3]), last.y, 3.0);
    EXPECT_GT(std::abs(std::stod(rowOf("p.txt", 12, 1)[2]) - last.x), 30.0);
    // Target 2, its row refused, follows square 2 either way (relearning
    // target 1 draws from the noise the targets share: not to the bit).
    for (const char* file : {"r.txt", "p.txt"})
        EXPECT_NEAR(std::stod(rowOf(file, 12, 2)[2]), synthetic::squareAt(1, 12).x, 3.0) << file;

    const Result alone = track("clip.avi -q --box 10,10,18,18 --reinit-from-targets");
    EXPECT_EQ(alone.status, 2);
    EXPECT_EQ(alone.err,
              "tavo-track: --reinit-from-targets needs --targets FILE, whose later rows re-initialise its targets\n");
}

TEST_F(CliCommand, ATargetLostForNFramesIsDroppedAndStatesAreWrittenWhenAsked)
{
    ASSERT_TRUE(writeLeavingVideo(path("leaving.avi")));
    const std::string run = "leaving.avi --seed 2 --box 100,30,16,16 --box 20,60,16,16 --estimates e.csv";
    const Result dropped = track(run + " --states --drop-lost 5 --mot m.txt");
    ASSERT_EQ(dropped.status, 0) << dropped.err;
    auto rows = statesById(readFile(path("e.csv")));
    EXPECT_EQ(lines(readFile(path("e.csv")))[0], "frame,id,pos_x,pos_y,vel_x,vel_y,scale_x,scale_y,state");
    ASSERT_EQ(rows[2].size(), 60u);
    for (const auto& [frame, state] : rows[2])
        EXPECT_EQ(state, "tracked") << frame;
    // Target 1: tracked, then lost for 5 frames after it left, then gone.
    const auto& red = rows[1];
    ASSERT_GT(red.size(), 10u);
    ASSERT_LT(red.size(), 40u);
    const int end = red.back().first;
    for (size_t i = red.size() - 5; i < red.size(); ++i)
        EXPECT_EQ(red[i].second, "lost") << red[i].first;
    EXPECT_NE(red[red.size() - 6].second, "lost");
    EXPECT_NE(dropped.out.find("60 frames, 2 targets, "), std::string::npos) << dropped.out;
    EXPECT_NE(dropped.out.find("target 1 dropped on frame " + std::to_string(end + 1) + ", lost since frame " +
                               std::to_string(end - 4) + " (--drop-lost 5)\n"),
              std::string::npos)
        << dropped.out;
    for (const std::string& line : lines(readFile(path("m.txt"))))
        EXPECT_FALSE(split(line)[1] == "1" && std::stoi(split(line)[0]) > end) << line;

    // Without the options: every frame of both, and the estimates as before.
    ASSERT_EQ(track(run + " -q").status, 0);
    const std::vector<std::string> plain = lines(readFile(path("e.csv")));
    EXPECT_EQ(plain.size(), 1u + 2 * 60);
    EXPECT_EQ(plain[0], "frame,id,pos_x,pos_y,vel_x,vel_y,scale_x,scale_y");
}

TEST_F(CliCommand, DroppedTargetsAreARunsResultPrintedAlsoWhenQuiet)
{
    ASSERT_TRUE(writeLeavingVideo(path("leaving.avi")));
    const Result quiet = track("leaving.avi --seed 2 --box 100,30,16,16 --box 20,60,16,16 --drop-lost 5 -q");
    ASSERT_EQ(quiet.status, 0) << quiet.err;
    const std::vector<std::string> out = lines(quiet.out);
    ASSERT_EQ(out.size(), 1u) << quiet.out;  // no summary, no seed
    EXPECT_EQ(out[0].rfind("target 1 dropped on frame ", 0), 0u) << quiet.out;
}
