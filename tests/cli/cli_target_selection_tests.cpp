// --select without a window: the rectangles that mouse drags and keys make,
// the picture the window shows, and the --box options printed at the end.

#include "programs/track/frame_window.h"
#include "programs/track/options.h"
#include "programs/track/target_selection.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tavo_cli;

namespace {

const cv::Size kFrame(320, 240);
const WindowFit kUnscaled{kFrame, kFrame};

void dragOn(TargetSelection& s, cv::Point from, cv::Point to)
{
    s.press(from);
    s.moveTo((from + to) / 2);
    s.release(to);
}


}  // namespace

TEST(TargetSelection, ADragDrawsTheRectangleBetweenItsEnds)
{
    TargetSelection s(kFrame);
    EXPECT_FALSE(s.drawn());
    s.moveTo({50, 50});  // moving without the button draws nothing
    EXPECT_FALSE(s.drawn());

    s.press({10, 20});
    s.moveTo({30, 30});
    EXPECT_EQ(s.drawn(), (Box{10, 20, 20, 10}));  // shown while dragging
    s.release({40, 60});
    EXPECT_EQ(s.drawn(), (Box{10, 20, 30, 40}));
    s.moveTo({100, 100});  // the button is up: the rectangle stays
    EXPECT_EQ(s.drawn(), (Box{10, 20, 30, 40}));

    // Any direction; cut to the frame (a drag may leave the window).
    dragOn(s, {40, 60}, {10, 20});
    EXPECT_EQ(s.drawn(), (Box{10, 20, 30, 40}));
    dragOn(s, {300, 200}, {-50, 999});
    EXPECT_EQ(s.drawn(), (Box{0, 200, 300, 40}));
    dragOn(s, {-5, -5}, {400, 400});
    EXPECT_EQ(s.drawn(), (Box{0, 0, 320, 240}));

    // A click, or a drag along a line, draws nothing to keep.
    dragOn(s, {70, 70}, {70, 70});
    EXPECT_FALSE(s.drawn());
    dragOn(s, {70, 70}, {90, 70});
    EXPECT_FALSE(s.drawn());
    EXPECT_TRUE(s.key(kKeySpace));
    EXPECT_TRUE(s.kept().empty());
}

TEST(TargetSelection, KeysKeepDropAndEnd)
{
    TargetSelection s(kFrame);
    dragOn(s, {10, 10}, {30, 40});
    EXPECT_TRUE(s.key(kKeySpace));
    dragOn(s, {100, 100}, {120, 110});
    EXPECT_TRUE(s.key('\r'));  // Enter with a rectangle keeps it and goes on
    dragOn(s, {200, 50}, {210, 60});
    EXPECT_TRUE(s.key('\n'));
    EXPECT_EQ(s.kept(), (std::vector<Box>{{10, 10, 20, 30}, {100, 100, 20, 10}, {200, 50, 10, 10}}));
    EXPECT_FALSE(s.drawn());

    // c drops the rectangle drawn first, then the kept ones from the last.
    dragOn(s, {5, 5}, {9, 9});
    EXPECT_TRUE(s.key('c'));
    EXPECT_FALSE(s.drawn());
    EXPECT_EQ(s.kept().size(), 3u);
    EXPECT_TRUE(s.key('c'));
    EXPECT_EQ(s.kept(), (std::vector<Box>{{10, 10, 20, 30}, {100, 100, 20, 10}}));
    EXPECT_TRUE(s.key('C'));
    EXPECT_TRUE(s.key('c'));
    EXPECT_TRUE(s.key('c'));  // nothing left to drop
    EXPECT_TRUE(s.kept().empty());

    // No key, other keys: nothing happens.
    dragOn(s, {10, 10}, {20, 20});
    for (int key : {-1, int('x'), int('q'), 0})
        EXPECT_TRUE(s.key(key)) << key;
    EXPECT_TRUE(s.kept().empty());
    EXPECT_TRUE(s.drawn());

    // Escape ends, leaving out the rectangle not kept; so does Enter with
    // no rectangle drawn.
    EXPECT_FALSE(s.key(kKeyEscape));
    EXPECT_TRUE(s.kept().empty());
    TargetSelection t(kFrame);
    EXPECT_FALSE(t.key('\r'));
}

TEST(TargetSelection, PictureOutlinesTheTargetsAndTheRectangleDrawn)
{
    const cv::Mat frame(kFrame, CV_8UC3, cv::Scalar(90, 90, 90));
    TargetSelection s(kFrame);
    dragOn(s, {100, 100}, {140, 130});
    s.key(kKeySpace);
    dragOn(s, {200, 60}, {230, 90});
    const cv::Mat picture = selectionPicture(frame, GivenTargets{{Box{20, 30, 40, 50}}, {1}}, s, kUnscaled);

    ASSERT_EQ(picture.size(), cv::Size(kFrame.width, kFrame.height + kBandHeight));
    EXPECT_EQ(cv::countNonZero(frame.reshape(1) != 90), 0) << "the frame itself is drawn on";
    // Bottom edges: the earlier target and the kept one alike, the drawn one
    // in another colour; inside them the frame shows.
    const cv::Vec3b target = picture.at<cv::Vec3b>(79, 40);
    EXPECT_EQ(picture.at<cv::Vec3b>(129, 120), target);
    EXPECT_NE(target, cv::Vec3b(90, 90, 90));
    const cv::Vec3b drawn = picture.at<cv::Vec3b>(89, 215);
    EXPECT_NE(drawn, target);
    EXPECT_NE(drawn, cv::Vec3b(90, 90, 90));
    EXPECT_EQ(picture.at<cv::Vec3b>(115, 120), cv::Vec3b(90, 90, 90));
    EXPECT_EQ(picture.at<cv::Vec3b>(75, 215), cv::Vec3b(90, 90, 90));
}

// The options of a printed line, parsed as a command line.
ParseResult parsePrinted(const std::string& printed)
{
    std::vector<std::string> words{"tavo-track"};
    for (size_t start = 0, space; start <= printed.size(); start = space + 1) {
        space = printed.find(' ', start);
        if (space == std::string::npos)
            space = printed.size();
        words.push_back(printed.substr(start, space - start));
    }
    std::vector<const char*> argv;
    for (const auto& w : words)
        argv.push_back(w.c_str());
    return parseOptions(static_cast<int>(argv.size()), argv.data());
}

TEST(TargetSelection, PrintedBoxesRepeatTheRunWithItsIds)
{
    const std::vector<Box> boxes{{1, 2, 3, 4}, {-5, 6, 7, 8}, {9, 9, 9, 9}};
    const std::string printed = boxOptions(GivenTargets{boxes, {1, 2, 3}});
    EXPECT_EQ(printed, "--box 1,2,3,4 --box -5,6,7,8 --box 9,9,9,9");
    ParseResult r = parsePrinted(printed);
    ASSERT_EQ(r.action, ParseResult::Action::Run) << r.error;
    EXPECT_EQ(r.options.boxes, boxes);

    // Ids other than 1, 2, 3 (a targets file's, selected ones after them)
    // are printed with their boxes, so that the repeated run keeps them.
    const std::vector<int> ids{1, 3, 4};
    EXPECT_EQ(idsAfter({1, 3}, 1), std::vector<int>{4});
    r = parsePrinted(boxOptions(GivenTargets{boxes, ids}));
    ASSERT_EQ(r.action, ParseResult::Action::Run) << r.error;
    EXPECT_EQ(r.options.boxes, boxes);
    EXPECT_EQ(r.options.boxIds, ids);

    // Each id once, positive, and not mixed with ids numbered by --box.
    for (const char* line : {"--box-id 2,1,1,4,4 --box-id 2,9,9,4,4", "--box-id 0,1,1,4,4",
                             "--box-id 1,1,1,4 --box 1,1,4,4", "--box 1,1,4,4 --box-id 2,1,1,4,4"})
        EXPECT_EQ(parsePrinted(line).action, ParseResult::Action::UsageError) << line;
}

TEST(TargetSelection, RectanglesBeyondTheRoomAreRefusedOnTheSpot)
{
    TargetSelection s(kFrame, 2);
    for (int i = 0; i < 3; ++i) {
        dragOn(s, {10 * i, 10}, {10 * i + 5, 20});
        EXPECT_TRUE(s.key(kKeySpace));
    }
    EXPECT_EQ(s.kept(), (std::vector<Box>{{0, 10, 5, 10}, {10, 10, 5, 10}}));
    EXPECT_EQ(s.refusals(), 1);
    EXPECT_TRUE(s.refusedLast());
    EXPECT_FALSE(s.drawn());  // the refused rectangle is gone: Enter now ends
    EXPECT_FALSE(s.key('\r'));

    // The window says so instead of naming the keys, until the next drag.
    const cv::Mat frame(kFrame, CV_8UC3, cv::Scalar(90, 90, 90));
    const cv::Mat refused = selectionPicture(frame, {}, s, kUnscaled);
    s.press({100, 100});
    EXPECT_FALSE(s.refusedLast());
    EXPECT_GT(cv::norm(refused, selectionPicture(frame, {}, s, kUnscaled), cv::NORM_L1), 0);
}
