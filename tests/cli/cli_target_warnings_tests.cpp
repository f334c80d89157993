// Targets the results cannot be trusted for are pointed out: a box that
// leaves the frame (its rows carry confidence 0) and a first-frame box
// with nothing in it to recognise the target by; what the calibrated
// confidence is computed from is written on request.

#include "command_run.h"

#include <gtest/gtest.h>

#include <map>

using namespace command_run;

namespace {

// The MOT rows whose box lies wholly outside a 320 x 320 frame, and whether
// each of them says confidence 0 while every other row says more.
struct OutsideRows {
    int count = 0;
    bool confidencesRight = true;
};

OutsideRows outsideRows(const std::string& mot)
{
    OutsideRows rows;
    for (const std::string& line : lines(mot)) {
        const std::vector<std::string> f = split(line);
        const double x = std::stod(f[2]), y = std::stod(f[3]), w = std::stod(f[4]), h = std::stod(f[5]);
        const bool outside = x >= 320 || y >= 320 || x + w <= 0 || y + h <= 0;
        rows.count += outside;
        rows.confidencesRight = rows.confidencesRight && (std::stod(f[6]) == 0) == outside;
    }
    return rows;
}

}  // namespace

TEST_F(CliCommand, BoxesThatLeaveTheFrameSayConfidenceZeroAndAreWarnedAbout)
{
    const std::string demo = std::string("'") + TAVO_BINARY_DIR + "/TAVO_DEMO.avi'";
    // The design's model lets a target on plain ground wander off the frame.
    Result r = track(demo + " -q --seed 1 --frames 300 --box 100,100,20,20 --mot m.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    OutsideRows rows = outsideRows(readFile(path("m.txt")));
    EXPECT_GT(rows.count, 0);
    EXPECT_TRUE(rows.confidencesRight);
    EXPECT_NE(r.err.find("warning: target 1 left the frame on frame "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("wholly outside the frame in " + std::to_string(rows.count) + " of 300 frames"),
              std::string::npos)
        << r.err;

    // Whatever the model does with tiny corner boxes, no row outside says
    // more than 0, and a target that left is named.
    r = track(demo + " -q --seed 1 --frames 30 --robust --box 0,0,1,1 --box 319,319,1,1 --mot m.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    rows = outsideRows(readFile(path("m.txt")));
    EXPECT_TRUE(rows.confidencesRight);
    EXPECT_EQ(rows.count > 0, r.err.find("left the frame") != std::string::npos) << r.err;

    // Targets that stay in the frame: not a word.
    makeClip(5);
    r = track("clip.avi --demo-targets -q --seed 1 --samples 100 --mot m.txt");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(outsideRows(readFile(path("m.txt"))).count, 0);

    // The calibrated confidence is written without lost-and-found too, not
    // the column's constant 1.
    r = track("clip.avi --demo-targets -q --seed 1 --samples 100 --confidence calibrated --mot m.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    int belowOne = 0;
    for (const std::string& line : lines(readFile(path("m.txt"))))
        belowOne += std::stod(split(line)[6]) < 1.0;
    EXPECT_GT(belowOne, 0);
}

TEST_F(CliCommand, TheConfidenceTermsComeWithEveryBoxThatHasAConfidence)
{
    const std::string demo = std::string("'") + TAVO_BINARY_DIR + "/TAVO_DEMO.avi'";
    // A box in a corner leaves the frame (confidence 0, no terms); one on a ball stays.
    Result r = track(demo + " -q --seed 1 --frames 30 --robust --box 0,0,1,1 --box 136,261,18,18 --mot m.txt "
                            "--confidence-terms t.csv");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> terms = lines(readFile(path("t.csv")));
    ASSERT_FALSE(terms.empty());
    EXPECT_EQ(terms[0], "frame,id,x,y,w,h,best_ratio,similarity,spread,sample_share,similarity_ratio,"
                        "fit_agreement,foreground_share,poor_share,confidence");
    std::map<std::string, std::vector<std::string>> mot;  // "frame,id": the row's fields
    for (const std::string& line : lines(readFile(path("m.txt")))) {
        const std::vector<std::string> f = split(line);
        if (std::stod(f[6]) > 0.0)
            mot[f[0] + "," + f[1]] = f;
    }
    ASSERT_EQ(terms.size() - 1, mot.size());
    for (size_t i = 1; i < terms.size(); ++i) {
        const std::vector<std::string> t = split(terms[i]);
        ASSERT_EQ(t.size(), 15u) << terms[i];
        const auto row = mot.find(t[0] + "," + t[1]);
        ASSERT_NE(row, mot.end()) << terms[i];
        for (int k = 2; k < 6; ++k)
            EXPECT_NEAR(std::stod(t[k]), std::stod(row->second[k]), 0.005 + 1e-9) << terms[i];
        EXPECT_NEAR(std::stod(t[14]), std::stod(row->second[6]), 0.00005 + 1e-12) << terms[i];
    }

    // The likelihood has no terms; the file may not be another output.
    r = track(demo + " -q --seed 1 --frames 3 --lost-and-found --confidence-terms t.csv");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--confidence-terms needs --confidence calibrated"), std::string::npos) << r.err;
    r = track(demo + " -q --seed 1 --frames 3 --robust --mot t.csv --confidence-terms t.csv");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("--confidence-terms and --mot name the same file"), std::string::npos) << r.err;
}

TEST_F(CliCommand, BlankFirstFrameBoxesAreWarnedAbout)
{
    // Two black frames, then the squares.
    {
        cv::VideoWriter writer(path("late.avi").string(), cv::CAP_FFMPEG,
                               cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), 25.0,
                               cv::Size(synthetic::kWidth, synthetic::kHeight));
        ASSERT_TRUE(writer.isOpened());
        for (int f = 0; f < 2; ++f)
            writer.write(cv::Mat(synthetic::kHeight, synthetic::kWidth, CV_8UC3, cv::Scalar::all(0)));
        for (int f = 1; f <= 3; ++f)
            writer.write(synthetic::frameAt(f));
    }
    Result r = track("late.avi -q --seed 1 --samples 100 --box 136,261,18,18 --box 46,226,18,18 --frames 3");
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* id : {"1", "2"})
        EXPECT_NE(r.err.find(std::string("warning: target ") + id +
                             "'s box on the first frame is all black: it holds nothing to recognise the target by; "
                             "if the video begins with blank frames, start later with --start N"),
                  std::string::npos)
            << r.err;
    EXPECT_EQ(lines(r.err).size(), 2u) << r.err;
    // As the warning advises: from frame 3 on, the boxes hold the squares.
    r = track("late.avi -q --seed 1 --samples 100 --box 136,261,18,18 --box 46,226,18,18 --start 3 --frames 3");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");

    // A box of one colour is the whole object, not a blank: no warning; nor
    // for the grey ground beside a square, which has edges.
    makeClip(3);
    r = track("clip.avi -q --seed 1 --samples 100 --box 139,264,12,12 --box 126,251,38,38 --frames 3");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
}
