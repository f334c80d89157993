#include "cli/target_selection.h"

#include "cli/frame_window.h"
#include "cli/picture_text.h"
#include "cli/run.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
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

void onMouse(int event, int x, int y, int, void* data)
{
    auto& selection = *static_cast<TargetSelection*>(data);
    if (event == cv::EVENT_LBUTTONDOWN)
        selection.press({x, y});
    else if (event == cv::EVENT_MOUSEMOVE)
        selection.moveTo({x, y});
    else if (event == cv::EVENT_LBUTTONUP)
        selection.release({x, y});
}

cv::Rect toRect(const Box& b) { return {b.x, b.y, b.width, b.height}; }

// The target's id just above its rectangle's top-left corner (inside it
// at the top of the frame).
void drawLabel(cv::Mat& picture, const Box& box, int id)
{
    const std::string text = std::to_string(id);
    int top = box.y - tagSize(text).height - 1;
    if (top < 0)
        top = box.y + 1;
    drawTag(picture, text, {box.x, top}, kTargetColour, kLabelGround);
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
            kept_.push_back(*box);
            dragging_ = hasDrawn_ = false;
            return true;
        }
        return !enter;
    }
    if (key == 'c' || key == 'C') {
        if (drawn())
            dragging_ = hasDrawn_ = false;
        else if (!kept_.empty())
            kept_.pop_back();
        return true;
    }
    return key != kKeyEscape;
}

cv::Mat selectionPicture(const cv::Mat& frame, const std::vector<Box>& given, const TargetSelection& selection)
{
    cv::Mat picture = frame.clone();
    drawCaption(picture, kKeysHint);
    int id = 0;
    for (const std::vector<Box>* boxes : {&given, &selection.kept()})
        for (const Box& box : *boxes) {
            cv::rectangle(picture, toRect(box), kTargetColour, 1);
            drawLabel(picture, box, ++id);
        }
    if (const auto box = selection.drawn())
        cv::rectangle(picture, toRect(*box), kDrawnColour, 1);
    return picture;
}

int selectTargets(const cv::Mat& firstFrame, std::vector<Box>& boxes, int64_t maxTargets, std::string& error)
{
    TargetSelection selection(firstFrame.size());
    {
        FrameWindow window(kSelectionWindowTitle);
        cv::setMouseCallback(window.title(), onMouse, &selection);
        do
            window.show(selectionPicture(firstFrame, boxes, selection));
        while (selection.key(window.waitKey(kRedrawMilliseconds)) && window.isOpen());
    }
    boxes.insert(boxes.end(), selection.kept().begin(), selection.kept().end());
    if (boxes.empty()) {
        error = "no target selected: drag a rectangle around a target and press Space or Enter to keep it";
        return kExitUsage;
    }
    if (static_cast<int64_t>(boxes.size()) > maxTargets) {
        error = std::to_string(boxes.size()) + " targets, but at most " + std::to_string(maxTargets) +
                " fit in the sample store with these --samples";
        return kExitUsage;
    }
    return kExitSuccess;
}

std::string boxOptions(const std::vector<Box>& boxes)
{
    std::string text;
    for (const Box& box : boxes)
        text += (text.empty() ? "--box " : " --box ") + boxText(box);
    return text;
}

}  // namespace tavo_cli
