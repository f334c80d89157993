// The paused live window's mouse and keys, without a window: what a drag,
// a click and the keys ask to change, and what is refused.

#include "programs/track/pause_editing.h"

#include <gtest/gtest.h>

using namespace tavo_cli;

namespace {

const cv::Size kFrame(320, 240);

TrackedTarget target(int id, RealBox box)
{
    TrackedTarget t;
    t.id = id;
    t.box = box;
    return t;
}

// Target 1 at 100,100 30x30; target 2 inside it, 110,110 10x10.
const std::vector<TrackedTarget> kTargets = {target(1, {100, 100, 30, 30}), target(2, {110, 110, 10, 10})};

std::optional<TargetEdit> drag(PauseEditing& e, cv::Point from, cv::Point to)
{
    e.press(from, kTargets);
    e.moveTo((from + to) / 2);
    return e.release(to);
}

}  // namespace

TEST(PauseEditing, ADragOnEmptyGroundAddsAtTheBoxCutToTheFrame)
{
    PauseEditing e(WindowFit{kFrame, kFrame});
    auto add = drag(e, {10, 20}, {50, 60});
    ASSERT_TRUE(add);
    EXPECT_EQ(add->action, EditAction::Add);
    EXPECT_EQ(add->id, 0);  // the next free id, as the session numbers it
    EXPECT_EQ(add->box, (Box{10, 20, 40, 40}));
    add = drag(e, {300, 230}, {400, 10});  // beyond the frame's edge, any direction
    ASSERT_TRUE(add);
    EXPECT_EQ(add->box, (Box{300, 10, 20, 220}));

    // Too small, or outside the frame (the band below it): refused, said why.
    EXPECT_FALSE(drag(e, {10, 20}, {12, 60}));
    EXPECT_EQ(e.bandText(), "paused  not kept: 2x40 is too small (at least 4x4 frame pixels)");
    EXPECT_FALSE(drag(e, {10, 250}, {60, 260}));
    EXPECT_EQ(e.bandText(), "paused  not kept: the rectangle lies outside the frame");
    EXPECT_FALSE(e.drawn());
    // A drag begun inside a box adds nothing: it is taken for a slip.
    EXPECT_FALSE(drag(e, {105, 105}, {200, 200}));
    EXPECT_EQ(e.bandText(), "paused  not kept: begun in target 1's box (click it to select it)");
}

TEST(PauseEditing, AClickSelectsForDropAndReinitialise)
{
    // A window twice the frame: positions are mapped back to the frame.
    PauseEditing e(WindowFit{kFrame, {640, 480}});
    EXPECT_FALSE(e.key('d'));
    EXPECT_EQ(e.bandText(), "paused  click inside a target's box first");

    EXPECT_FALSE(drag(e, {230, 230}, {232, 227}));  // within the slop: a click, on target 2 (the smaller box)
    EXPECT_EQ(e.selected(), 2);
    EXPECT_FALSE(e.drawn());
    auto drop = e.key('d');
    ASSERT_TRUE(drop);
    EXPECT_EQ(drop->action, EditAction::Drop);
    EXPECT_EQ(drop->id, 2);

    EXPECT_FALSE(drag(e, {202, 202}, {202, 202}));  // target 1 alone
    EXPECT_EQ(e.selected(), 1);
    EXPECT_FALSE(e.key('r'));
    EXPECT_EQ(e.bandText(), "paused  drag the new box of target 1 first");
    EXPECT_FALSE(drag(e, {20, 20}, {100, 80}));  // with a target selected, a drag is its new box
    EXPECT_EQ(e.drawn(), (Box{10, 10, 40, 30}));
    auto reinit = e.key('r');
    ASSERT_TRUE(reinit);
    EXPECT_EQ(reinit->action, EditAction::Reinit);
    EXPECT_EQ(reinit->id, 1);
    EXPECT_EQ(reinit->box, (Box{10, 10, 40, 30}));
    e.outcome(*reinit, "");
    EXPECT_EQ(e.selected(), 0);
    EXPECT_FALSE(e.drawn());
    EXPECT_EQ(e.bandText(), "paused  re-initialised target 1");

    // A refusal leaves the selection; a click on empty ground ends it.
    drag(e, {202, 202}, {202, 202});
    e.outcome(*e.key('d'), "no target has id 1");
    EXPECT_EQ(e.bandText(), "paused  not changed: no target has id 1");
    EXPECT_EQ(e.selected(), 1);
    drag(e, {10, 10}, {10, 10});
    EXPECT_EQ(e.selected(), 0);
    e.reset();
    EXPECT_EQ(e.bandText().rfind("paused  drag: add", 0), 0u);
}
