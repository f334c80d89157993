#include "programs/track/pause_editing.h"

#include "programs/track/picture_text.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tavo_cli {

namespace {

const char* const kKeysHint = "paused  drag: add  click: select  d: drop  drag+r: re-init  Space: go on";
const char* const kSelectFirst = "click inside a target's box first";

const cv::Scalar kDrawnColour(0, 255, 255);     // yellow: the rectangle drawn
const cv::Scalar kSelectedColour(255, 255, 0);  // cyan: the target selected
const cv::Scalar kMadeColour(0, 230, 0);        // green: added or re-initialised
const cv::Scalar kDroppedColour(0, 0, 255);     // red: dropped
const cv::Scalar kLabelGround(0, 0, 0);
constexpr int kSelectedThickness = 3;
constexpr int kMadeThickness = 2;

cv::Rect windowRect(const Box& b, const WindowFit& fit)
{
    return {fit.toWindow({b.x, b.y}), fit.toWindow({b.x + b.width, b.y + b.height})};
}

Box wholeBox(const RealBox& b)
{
    const int x = static_cast<int>(std::floor(b.x));
    const int y = static_cast<int>(std::floor(b.y));
    return {x, y, static_cast<int>(std::ceil(b.x + b.width)) - x, static_cast<int>(std::ceil(b.y + b.height)) - y};
}

std::string idText(int id) { return std::to_string(id); }

}  // namespace

int targetAt(cv::Point at, const std::vector<TrackedTarget>& targets)
{
    int found = 0;
    double foundArea = 0;
    for (const TrackedTarget& t : targets) {
        const RealBox& b = t.box;
        const bool inside = at.x >= b.x && at.x < b.x + b.width && at.y >= b.y && at.y < b.y + b.height;
        const double area = b.width * b.height;
        if (inside && (found == 0 || area < foundArea)) {
            found = t.id;
            foundArea = area;
        }
    }
    return found;
}

void PauseEditing::press(cv::Point at, const std::vector<TrackedTarget>& targets)
{
    from_ = to_ = at;
    dragging_ = hasDrawn_ = true;
    pressedOn_ = targetAt(fit_.toFrame(at), targets);
}

void PauseEditing::moveTo(cv::Point at)
{
    if (dragging_)
        to_ = at;
}

bool PauseEditing::dragged() const
{
    return std::abs(to_.x - from_.x) > kClickSlop || std::abs(to_.y - from_.y) > kClickSlop;
}

std::optional<Box> PauseEditing::drawn() const
{
    if (!hasDrawn_ || !dragged())
        return std::nullopt;
    const cv::Point a = fit_.toFrame(from_), b = fit_.toFrame(to_);
    const cv::Rect frame({0, 0}, fit_.frame);
    const cv::Rect cut = cv::Rect(cv::Point(std::min(a.x, b.x), std::min(a.y, b.y)),
                                  cv::Point(std::max(a.x, b.x), std::max(a.y, b.y))) & frame;
    return Box{cut.x, cut.y, cut.width, cut.height};
}

std::optional<Box> PauseEditing::usableBox(std::string& refusal) const
{
    const auto box = drawn();
    if (box && box->width > 0 && box->height > 0 && (box->width < kSmallestEditSide || box->height < kSmallestEditSide))
        refusal = "not kept: " + std::to_string(box->width) + "x" + std::to_string(box->height) +
                  " is too small (at least " + std::to_string(kSmallestEditSide) + "x" +
                  std::to_string(kSmallestEditSide) + " frame pixels)";
    else if (box && (box->width == 0 || box->height == 0))
        refusal = "not kept: the rectangle lies outside the frame";
    else
        return box;
    return std::nullopt;
}

std::optional<TargetEdit> PauseEditing::release(cv::Point at)
{
    if (!dragging_)
        return std::nullopt;
    moveTo(at);
    dragging_ = false;
    if (!dragged()) {  // a click
        hasDrawn_ = false;
        selected_ = pressedOn_;
        message_ = selected_ ? "target " + idText(selected_) + " selected  d: drop  drag+r: re-init" : "";
        return std::nullopt;
    }
    std::string refusal;
    const auto box = usableBox(refusal);
    if (!box) {
        hasDrawn_ = false;
        message_ = refusal;
        return std::nullopt;
    }
    if (selected_) {
        message_ = "r: re-initialise target " + idText(selected_) + " here";
        return std::nullopt;
    }
    if (pressedOn_) {
        hasDrawn_ = false;
        message_ = "not kept: begun in target " + idText(pressedOn_) + "'s box (click it to select it)";
        return std::nullopt;
    }
    TargetEdit add;
    add.action = EditAction::Add;
    add.box = *box;
    return add;
}

std::optional<TargetEdit> PauseEditing::key(int key)
{
    if (key != 'd' && key != 'D' && key != 'r' && key != 'R')
        return std::nullopt;
    if (!selected_) {
        message_ = kSelectFirst;
        return std::nullopt;
    }
    TargetEdit edit;
    edit.id = selected_;
    if (key == 'd' || key == 'D') {
        edit.action = EditAction::Drop;
        return edit;
    }
    std::string refusal;
    const auto box = dragging_ ? std::nullopt : usableBox(refusal);
    if (!box) {
        message_ = refusal.empty() ? "drag the new box of target " + idText(selected_) + " first" : refusal;
        return std::nullopt;
    }
    edit.action = EditAction::Reinit;
    edit.box = *box;
    return edit;
}

void PauseEditing::outcome(const TargetEdit& edit, const std::string& refusal)
{
    if (!refusal.empty()) {
        message_ = "not changed: " + refusal;
        return;
    }
    const char* done = edit.action == EditAction::Add ? "added" : edit.action == EditAction::Drop ? "dropped"
                                                                                                  : "re-initialised";
    message_ = std::string(done) + " target " + idText(edit.id);
    selected_ = 0;
    hasDrawn_ = dragging_ = false;
}

void PauseEditing::reset()
{
    selected_ = pressedOn_ = 0;
    hasDrawn_ = dragging_ = false;
    message_.clear();
}

std::string PauseEditing::bandText() const { return message_.empty() ? kKeysHint : "paused  " + message_; }

void drawPauseEditing(cv::Mat& shown, const WindowFit& fit, const PauseEditing& editing,
                      const std::vector<TrackedTarget>& targets, const std::vector<MadeEdit>& made)
{
    for (const MadeEdit& m : made) {
        const cv::Rect rect = windowRect(wholeBox(m.box), fit);
        if (m.edit.action == EditAction::Drop) {
            cv::line(shown, rect.tl(), rect.br(), kDroppedColour, kMadeThickness);
            cv::line(shown, {rect.x, rect.y + rect.height}, {rect.x + rect.width, rect.y}, kDroppedColour,
                     kMadeThickness);
            continue;
        }
        cv::rectangle(shown, rect, kMadeColour, kMadeThickness);
        drawTag(shown, idText(m.edit.id), {rect.x, std::max(0, rect.y - tagSize(idText(m.edit.id)).height - 1)},
                kMadeColour, kLabelGround);
    }
    for (const TrackedTarget& t : targets)
        if (t.id == editing.selected())
            cv::rectangle(shown, windowRect(wholeBox(t.box), fit), kSelectedColour, kSelectedThickness);
    if (const auto box = editing.drawn())
        cv::rectangle(shown, windowRect(*box, fit), kDrawnColour, 1);
}

}  // namespace tavo_cli
