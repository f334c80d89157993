// The files tavo-track reads and writes: MOTChallenge records and target
// boxes, the results' box rule and line formats, and write failures.

#include "evaluation/mot_file.h"
#include "programs/track/outputs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

using namespace tavo_cli;
using namespace tavo_eval;

TEST(CliMotFile, ReadsGroundTruthAndDetectionLines)
{
    std::istringstream in("1,1,136,261,18,18,1,1,1\r\n"
                          "\n"
                          " 2 , -1 , 10.5 , 20.25 , 30 , 40 , 0.9 , -1 , -1 , -1\n"
                          "3.0,7,0,0,1,1\n");
    std::string error;
    const auto records = readMotRecords(in, "gt.txt", error);
    ASSERT_TRUE(records) << error;
    ASSERT_EQ(records->size(), 3u);
    const MotRecord& a = (*records)[0];
    EXPECT_EQ(a.frame, 1);
    EXPECT_EQ(a.id, 1);
    EXPECT_EQ(a.box.x, 136);
    EXPECT_EQ(a.box.height, 18);
    const MotRecord& b = (*records)[1];
    EXPECT_EQ(b.frame, 2);
    EXPECT_EQ(b.id, -1);
    EXPECT_EQ(b.box.y, 20.25);
    EXPECT_EQ(b.line, 3);
    EXPECT_EQ((*records)[2].frame, 3);
}

TEST(CliMotFile, MalformedLinesAreReportedWithTheirNumber)
{
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"1,1,2,3,4\n", "f.txt:1:"},
        {"1,1,2,3,4,5\n1,x,2,3,4,5\n", "f.txt:2:"},
        {"1.5,1,2,3,4,5\n", "f.txt:1:"},
        {"1,1,2,nan,4,5\n", "nan"},
        {"1,1,2,3,4e12,5\n", "4e12"},
        {"1,1,,3,4,5\n", "f.txt:1:"},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.text);
        std::string error;
        EXPECT_FALSE(readMotRecords(in, "f.txt", error)) << c.text;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
}

TEST(CliMotFile, LinesEndWithLfCrOrCrLfAfterAnyByteOrderMark)
{
    std::istringstream in("\xEF\xBB\xBF"
                          "1,1,10,10,5,5\r"
                          "1,2,20,20,5,5\r\n"
                          "\r"
                          "1,3,30,30,5,5\n"
                          "1,4,40,40,5,5");
    std::string error;
    const auto records = readMotRecords(in, "gt.txt", error);
    ASSERT_TRUE(records) << error;
    ASSERT_EQ(records->size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ((*records)[i].id, i + 1);
        EXPECT_EQ((*records)[i].box.x, 10.0 * (i + 1));
    }
    EXPECT_EQ((*records)[2].line, 4) << "the blank line between counts";
    EXPECT_EQ((*records)[3].line, 5);
}

// `count` lines of a record whose ignored columns are `padding` bytes long;
// each line's buffer is handed out whole, so that hundreds of MiB pass
// quickly.
class RepeatedRecords : public std::streambuf {
public:
    RepeatedRecords(size_t padding, int count)
        : line_("1,1,2,3,4,5,1," + std::string(padding, 'x') + "\n"), left_(count)
    {
    }

protected:
    int_type underflow() override
    {
        if (left_-- <= 0)
            return traits_type::eof();
        setg(line_.data(), line_.data(), line_.data() + line_.size());
        return traits_type::to_int_type(line_[0]);
    }

private:
    std::string line_;
    int left_;
};

TEST(CliMotFile, AnInputThatIsNoTextOrHasNoEndIsRefusedAsTheCommandRefusesIt)
{
    // A NUL byte even in the columns that are ignored.
    const char text[] = "1,1,2,3,4,5\n1,1,2,3,4,5,1,-1,\0\n";
    std::istringstream nul(std::string(text, sizeof text - 1));
    std::string error;
    EXPECT_FALSE(readMotRecords(nul, "f.txt", error));
    EXPECT_EQ(error, "f.txt: not a text file (a NUL byte on line 2)");

    // 300 MiB: past the largest text input, reading stops.
    RepeatedRecords large(1 << 20, 300);
    std::istream in(&large);
    EXPECT_FALSE(readMotRecords(in, "f.txt", error));
    EXPECT_EQ(error, "f.txt: too large for a MOTChallenge file (more than 256 MiB)");
}

TEST(CliMotFile, NumbersTooLargeAreToldFromNonNumbers)
{
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"1,1,2,3,4e12,5\n", "'4e12' is too large"},
        {"1,1,16777217,3,4,5\n", "'16777217' is too large"},
        {"99999999999,1,2,3,4,5\n", "the frame '99999999999' is too large"},
        {"1,-99999999999,2,3,4,5\n", "the id '-99999999999' is too large"},
        {"1,1,2,3,4x,5\n", "must be numbers, not '4x'"},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.text);
        std::string error;
        EXPECT_FALSE(readMotRecords(in, "f.txt", error)) << c.text;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
    std::istringstream edge("1,1,-16777216,16777216,1,1\n");
    std::string error;
    EXPECT_TRUE(readMotRecords(edge, "f.txt", error)) << error;
}

TEST(CliMotFile, EachTargetStartsOnItsFirstFrameWithItsId)
{
    const std::string text = "5,3,30,30,10,10\n"
                             "4,9,90,90,10,10\n"
                             "4,2,20.4,20.6,9.5,10.49,0,1,1\n"
                             "6,1,1,1,1,1\n"
                             "4,-1,5,5,5,5\n"
                             "4,-1,21,21,8,8,1\n"
                             "7,3,40,40,10,10\n"
                             "6,-1,50,50,5,5\n";
    struct Expected {
        int id, frame;
        Box box;
        int line;
    };
    const struct {
        int start;
        std::vector<Expected> targets;
    } cases[] = {
        // The lowest frame's targets first, ids in increasing order, boxes
        // without identity numbered after the highest id in file order;
        // then each later id on its first row.  Boxes without identity of
        // later frames are no targets.
        {1,
         {{2, 4, {20, 21, 10, 10}, 3},
          {9, 4, {90, 90, 10, 10}, 2},
          {10, 4, {5, 5, 5, 5}, 5},
          {11, 4, {21, 21, 8, 8}, 6},
          {3, 5, {30, 30, 10, 10}, 1},
          {1, 6, {1, 1, 1, 1}, 4}}},
        // Rows before the start frame do not count.
        {6, {{1, 6, {1, 1, 1, 1}, 4}, {4, 6, {50, 50, 5, 5}, 8}, {3, 7, {40, 40, 10, 10}, 7}}},
    };
    for (const auto& c : cases) {
        std::istringstream in(text);
        std::string error;
        const auto targets = readInitialTargets(in, "t.txt", error, c.start);
        ASSERT_TRUE(targets) << error;
        ASSERT_EQ(targets->size(), c.targets.size()) << "start " << c.start;
        for (size_t i = 0; i < c.targets.size(); ++i) {
            const InitialTarget& t = (*targets)[i];
            EXPECT_EQ(t.id, c.targets[i].id) << "start " << c.start << ", target " << i;
            EXPECT_EQ(t.frame, c.targets[i].frame) << "id " << t.id;
            EXPECT_EQ(t.box, c.targets[i].box) << "id " << t.id << ": rounded, halves away from 0";
            EXPECT_EQ(t.line, c.targets[i].line) << "id " << t.id;
            EXPECT_EQ(t.zeroConfidence, t.line == 3) << "id " << t.id;
        }
    }
    std::istringstream early(text);
    std::string error;
    EXPECT_FALSE(readInitialTargets(early, "t.txt", error, 8));
    EXPECT_EQ(error, "t.txt: no boxes in the file on frame 8 or later");
}

TEST(CliMotFile, TargetsFileWithoutUsableBoxesIsRefused)
{
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"\n\n", "t.txt: no boxes"},
        {"1,1,10,10,0.4,5\n", "t.txt:1:"},
        {"1,4,10,10,5,5\n2,4,10,10,5,5\n1,4,20,20,5,5\n", "t.txt:3: id 4 is given twice on frame 1 (first on line 1)"},
        {"1,1,-16777216,0,10,10\n1,2,16777210,0,10,10\n", "t.txt:2: the box of id 2: the rectangle reaches beyond"},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.text);
        std::string error;
        EXPECT_FALSE(readInitialTargets(in, "t.txt", error)) << c.text;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
}

TEST(CliOutputs, TheBoxIsTheEstimateItself)
{
    Sample e;
    e.posX = 145.0f;
    e.posY = 270.0f;
    e.scaleX = e.scaleY = 1.0f;
    RealBox b = estimateBox(e, 18.0f, 18.0f);
    EXPECT_EQ(b.x, 136.0);
    EXPECT_EQ(b.y, 261.0);
    EXPECT_EQ(b.width, 18.0);
    EXPECT_EQ(b.height, 18.0);

    // The weighted mean of samples of scale 1 falls just below 1: the box
    // stays 18 wide (the drawing's whole pixels would lose a column), and
    // the position keeps its fraction.
    e.posX = 9.5f;
    e.scaleX = 0.9999996f;
    e.scaleY = 1.5f;
    b = estimateBox(e, 18.0f, 7.0f);
    EXPECT_NEAR(b.width, 18.0, 1e-5);
    EXPECT_EQ(b.height, 10.5);
    EXPECT_NEAR(b.x, 0.5, 1e-5);
    EXPECT_EQ(b.y, 270.0 - 5.25);
    EXPECT_EQ(motLine(1, 1, b), "1,1,0.50,264.75,18.00,10.50,1,-1,-1,-1\n");
}

TEST(CliOutputs, LineFormats)
{
    EXPECT_EQ(motLine(3, 7, RealBox{-2, 5.125, 18.004, 17.5}), "3,7,-2.00,5.12,18.00,17.50,1,-1,-1,-1\n");
    EXPECT_EQ(motLine(1, 2, RealBox{-0.004, -1e-9, 1, 1}), "1,2,0.00,0.00,1.00,1.00,1,-1,-1,-1\n");
    EXPECT_EQ(motLine(1, 2, RealBox{-9, 0, 1, 1}, std::nullopt, false), "1,2,-9.00,0.00,1.00,1.00,0,-1,-1,-1\n");
    EXPECT_STREQ(kEstimatesHeader, "frame,id,pos_x,pos_y,vel_x,vel_y,scale_x,scale_y\n");

    TrackedTarget e;
    e.id = 4;
    e.x = 145.00383f;
    e.y = 1.0f / 3.0f;
    e.velocityX = -1.17549435e-38f;  // the smallest normal float
    e.velocityY = 3.40282347e38f;
    e.scaleX = 0.1f;
    e.scaleY = 1.0f;
    const std::string line = estimateLine(12, e);
    EXPECT_EQ(line.back(), '\n');
    std::istringstream fields(line);
    std::string field;
    std::getline(fields, field, ',');
    EXPECT_EQ(field, "12");
    std::getline(fields, field, ',');
    EXPECT_EQ(field, "4");
    for (float expected : {e.x, e.y, e.velocityX, e.velocityY, e.scaleX, e.scaleY}) {
        ASSERT_TRUE(std::getline(fields, field, ','));
        EXPECT_EQ(std::strtof(field.c_str(), nullptr), expected) << field;  // exact round trip
    }
}

TEST(CliOutputs, WriteFailuresAreReported)
{
    TextOutput out;
    std::string error;
    EXPECT_FALSE(out.open("/nonexistent-directory/out.txt", error));
    EXPECT_NE(error.find("/nonexistent-directory/out.txt"), std::string::npos);

    // A full device: the failure shows at the latest when the file is closed.
    ASSERT_TRUE(out.open("/dev/full", error));
    out.write(std::string(1 << 16, 'x'));
    EXPECT_FALSE(out.close(error));
    EXPECT_NE(error.find("/dev/full"), std::string::npos);
}
