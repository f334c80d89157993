#include "programs/track/target_selection.h"

#include "programs/track/frame_window.h"
#include "programs/track/interrupts.h"
#include "programs/track/picture_text.h"
#include "programs/track/run.h"
#include "programs/track/window_band.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace tavo_cli {

const char* const kSelectionWindowTitle = "TAVO select targets";

namespace {

// The picture is redrawn this often while the window waits for events, so
// that the rectangle follows the mouse smoothly.
constexpr int kRedrawMilliseconds = 15;

const cv::Scalar kTargetColour(0, 230, 0);      // green: targets of the run so far
const cv::Scalar kDrawnColour(0, 255, 255);     // yellow: the rectangle not kept yet
const cv::Scalar kLabelGround(0, 0, 0);
const char* const kKeysHint = "Space/Enter: keep   c: drop   Esc: track";

// What the mouse drives: the selection, in frame positions.
struct MouseTarget {
    TargetSelection* selection;
    const WindowFit* fit;
};

void onMouse(int event, int x, int y, int, void* data)
{
    const auto& target = *static_cast<MouseTarget*>(data);
    const cv::Point at = target.fit->toFrame({x, y});
    if (event == cv::EVENT_LBUTTONDOWN)
        target.selection->press(at);
    else if (event == cv::EVENT_MOUSEMOVE)
        target.selection->moveTo(at);
    else if (event == cv::EVENT_LBUTTONUP)
        target.selection->release(at);
}

// A box's rectangle in the window.
cv::Rect windowRect(const Box& b, const WindowFit& fit)
{
    return {fit.toWindow({b.x, b.y}), fit.toWindow({b.x + b.width, b.y + b.height})};
}

// The target's id just above its rectangle's top-left corner (inside it
// at the top of the frame).
void drawLabel(cv::Mat& picture, const cv::Rect& rect, int id)
{
    const std::string text = std::to_string(id);
    int top = rect.y - tagSize(text).height - 1;
    if (top < 0)
        top = rect.y + 1;
    drawTag(picture, text, {rect.x, top}, kTargetColour, kLabelGround);
}

// A target's rectangle and its id.
void drawTarget(cv::Mat& picture, const Box& box, int id, const WindowFit& fit)
{
    const cv::Rect rect = windowRect(box, fit);
    cv::rectangle(picture, rect, kTargetColour, 1);
    drawLabel(picture, rect, id);
}

}  // namespace

cv::Point TargetSelection::clamp(cv::Point p) const
{
    return {std::clamp(p.x, 0, frame_.width), std::clamp(p.y, 0, frame_.height)};
}

void TargetSelection::press(cv::Point at)
{
    from_ = to_ = clamp(at);
    dragging_ = hasDrawn_ = true;
    refusedLast_ = false;
}

void TargetSelection::moveTo(cv::Point at)
{
    if (dragging_)
        to_ = clamp(at);
}

void TargetSelection::release(cv::Point at)
{
    moveTo(at);
    dragging_ = false;
}

std::optional<Box> TargetSelection::drawn() const
{
    if (!hasDrawn_)
        return std::nullopt;
    const Box box{std::min(from_.x, to_.x), std::min(from_.y, to_.y), std::abs(to_.x - from_.x),
                  std::abs(to_.y - from_.y)};
    if (box.width == 0 || box.height == 0)  // a click draws nothing
        return std::nullopt;
    return box;
}

bool TargetSelection::key(int key)
{
    const bool enter = isEnterKey(key);
    if (key == kKeySpace || enter) {
        if (const auto box = drawn()) {
            refusedLast_ = kept_.size() >= room_;
            if (refusedLast_)
                ++refusals_;
            else
                kept_.push_back(*box);
            dragging_ = hasDrawn_ = false;
            return true;
        }
        return !enter;
    }
    if (key == 'c' || key == 'C') {
        refusedLast_ = false;
        if (drawn())
            dragging_ = hasDrawn_ = false;
        else if (!kept_.empty())
            kept_.pop_back();
        return true;
    }
    return key != kKeyEscape;
}

std::vector<int> idsAfter(const std::vector<int>& given, size_t count)
{
    int highest = given.empty() ? 0 : *std::max_element(given.begin(), given.end());
    std::vector<int> ids;
    for (size_t i = 0; i < count; ++i)
        ids.push_back(++highest);
    return ids;
}

namespace {

const char* const kRefusal = "rectangle not kept: no more targets fit in the sample store with these --samples";
// The same, short enough for the window's band.
const char* const kRefusalCaption = "Not kept: no room for more targets";

}  // namespace

cv::Mat selectionPicture(const cv::Mat& frame, const GivenTargets& given, const TargetSelection& selection,
                         const WindowFit& fit)
{
    cv::Mat shown = fit.scaled(frame).clone();
    const std::vector<int> keptIds = idsAfter(given.ids, selection.kept().size());
    for (size_t i = 0; i < given.boxes.size(); ++i)
        drawTarget(shown, given.boxes[i], given.ids[i], fit);
    for (size_t i = 0; i < keptIds.size(); ++i)
        drawTarget(shown, selection.kept()[i], keptIds[i], fit);
    if (const auto box = selection.drawn())
        cv::rectangle(shown, windowRect(*box, fit), kDrawnColour, 1);
    return withBand(shown, fit, selection.refusedLast() ? kRefusalCaption : kKeysHint);
}

int selectTargets(const cv::Mat& firstFrame, GivenTargets& targets, int64_t maxTargets, std::string& error,
                  std::FILE* err)
{
    // New ids count up from the highest given, and stay ints.
    const int64_t highest = targets.ids.empty() ? 0 : *std::max_element(targets.ids.begin(), targets.ids.end());
    const int64_t room = std::clamp<int64_t>(maxTargets - static_cast<int64_t>(targets.boxes.size()), 0,
                                             INT_MAX - highest);
    TargetSelection selection(firstFrame.size(), static_cast<size_t>(room));
    {
        FrameWindow window(kSelectionWindowTitle, firstFrame.size());
        MouseTarget mouse{&selection, &window.fit()};
        cv::setMouseCallback(window.title(), onMouse, &mouse);
        int refusalsTold = 0;
        bool goOn = true;
        while (goOn && !stopRequested()) {
            window.showPicture(selectionPicture(firstFrame, targets, selection, window.fit()));
            goOn = selection.key(window.waitKey(kRedrawMilliseconds)) && window.isOpen();
            for (; refusalsTold < selection.refusals(); ++refusalsTold)
                std::fprintf(err, "tavo-track: %s\n", kRefusal);
        }
    }
    if (stopRequested()) {
        error = "interrupted in the selection window";
        return interruptedExitStatus(stopSignal());
    }
    const std::vector<int> newIds = idsAfter(targets.ids, selection.kept().size());
    targets.boxes.insert(targets.boxes.end(), selection.kept().begin(), selection.kept().end());
    targets.ids.insert(targets.ids.end(), newIds.begin(), newIds.end());
    if (targets.boxes.empty()) {
        error = "no target selected: drag a rectangle around a target and press Space or Enter to keep it";
        return kExitUsage;
    }
    return kExitSuccess;
}

std::string boxOptions(const GivenTargets& targets)
{
    bool numberedInOrder = true;
    for (size_t i = 0; i < targets.ids.size(); ++i)
        numberedInOrder = numberedInOrder && targets.ids[i] == static_cast<int>(i) + 1;
    std::string text;
    for (size_t i = 0; i < targets.boxes.size(); ++i) {
        text += text.empty() ? "" : " ";
        text += numberedInOrder ? "--box " : "--box-id " + std::to_string(targets.ids[i]) + ",";
        text += boxText(targets.boxes[i]);
    }
    return text;
}

}  // namespace tavo_cli
