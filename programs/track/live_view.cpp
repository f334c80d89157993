#include "programs/track/live_view.h"

#include "programs/track/interrupts.h"
#include "programs/track/window_band.h"

#include <algorithm>

namespace tavo_cli {

const char* const kLiveWindowTitle = "TAVO tracking";

namespace {

// While running, the window's events are handled once per frame and for no
// longer than needed; while paused or waiting for a frame's turn the loop
// only waits for keys.
constexpr int kRunningWaitMilliseconds = 1;
constexpr int kPausedPollMilliseconds = 50;
// While a rectangle is dragged on the paused frame, the picture follows the
// mouse this often.
constexpr int kDragRedrawMilliseconds = 15;
constexpr int kLongestTurnPollMilliseconds = 50;
// While a frame is tracked, the window's events are handled between waits
// for the frame (see stepSession in run.cpp).
constexpr int kBusyPollMilliseconds = 1;
// The frame rate of a video that declares none.
constexpr double kRateWhenUnknown = 25;

const char* const kEndText = "end: press any key or close the window";

}  // namespace

std::string liveBandText(int frameNumber, int totalFrames, const std::string& state)
{
    std::string text = "frame " + std::to_string(frameNumber);
    if (totalFrames > 0)
        text += "/" + std::to_string(totalFrames);
    return state.empty() ? text : text + "   " + state;
}

LiveView::LiveView(const Playback& playback, EditMaker makeEdit)
    : playback_(playback), window_(kLiveWindowTitle, playback.frame), makeEdit_(std::move(makeEdit)),
      editing_(window_.fit())
{
    cv::setMouseCallback(window_.title(), onMouse, this);
}

LiveView::~LiveView()
{
    // The window's last events are handled as it closes, after this body;
    // it stops sending mouse events to this view first (FrameWindow).
    paused_ = false;
}

void LiveView::onMouse(int event, int x, int y, int, void* data)
{
    auto& view = *static_cast<LiveView*>(data);
    if (!view.paused_ || !view.targets_)
        return;  // the targets change only between frames, while paused
    if (event == cv::EVENT_LBUTTONDOWN)
        view.editing_.press({x, y}, *view.targets_);
    else if (event == cv::EVENT_MOUSEMOVE)
        view.editing_.moveTo({x, y});
    else if (event == cv::EVENT_LBUTTONUP)
        view.asked_ = view.editing_.release({x, y});
    else
        return;
    view.redraw_ = true;
}

bool LiveView::stillWanted()
{
    const int key = window_.waitKey(kBusyPollMilliseconds);
    if (key == kKeySpace)
        pauseAsked_ = true;  // the pause begins once the frame is shown
    if (key == kKeyEscape || !window_.isOpen())
        stopped_ = true;
    return !stopped_;
}

LiveView::Clock::duration LiveView::framePeriod() const
{
    const double rate = playback_.framesPerSecond > 0 ? playback_.framesPerSecond : kRateWhenUnknown;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / rate));
}

void LiveView::waitForTurn()
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(nextDue_ - Clock::now()).count();
        if (left <= 0 || stopRequested())
            return;
        const int key = window_.waitKey(static_cast<int>(std::min<long long>(left, kLongestTurnPollMilliseconds)));
        if (key == kKeySpace)
            pauseAsked_ = true;
        if (key == kKeyEscape || !window_.isOpen()) {
            stopped_ = true;
            return;
        }
    }
}

void LiveView::showLast(const std::string& state)
{
    window_.showPicture(withBand(shown_, window_.fit(), liveBandText(frameNumber_, playback_.totalFrames, state)));
}

bool LiveView::frameTracked(int frameNumber, const std::vector<TrackedTarget>& targets, const CvMat* annotated)
{
    targets_ = &targets;
    if (stopped_)
        return false;  // ended from the window while the frame was tracked
    if (!playback_.asFastAsTracked)
        waitForTurn();  // outside the frame's time: the run loop times frames without its observers
    if (stopped_)
        return false;
    frameNumber_ = frameNumber;
    shown_ = window_.fit().scaled(cv::cvarrToMat(annotated)).clone();
    showLast("");
    nextDue_ = Clock::now() + framePeriod();
    int key = window_.waitKey(kRunningWaitMilliseconds);
    if (pauseAsked_) {
        pauseAsked_ = false;
        key = kKeySpace;
    }
    if (key == kKeySpace)
        key = waitWhilePaused();
    if (key == kKeyEscape || !window_.isOpen()) {
        stopped_ = true;
        return false;
    }
    return !stopRequested();
}

int LiveView::waitWhilePaused()
{
    // The frame stays on screen until Space again, Escape, the window
    // closed or a stop signal.
    paused_ = true;
    editing_.reset();
    made_.clear();
    showPaused();
    for (;;) {
        const int key = window_.waitKey(editing_.drawn() ? kDragRedrawMilliseconds : kPausedPollMilliseconds);
        if (key == kKeySpace || key == kKeyEscape || !window_.isOpen() || stopRequested()) {
            paused_ = false;
            asked_.reset();
            if (key != kKeySpace)
                return key;
            showLast("");
            nextDue_ = Clock::now() + framePeriod();
            return -1;
        }
        if (auto edit = key != -1 ? editing_.key(key) : std::nullopt) {
            make(*edit);
            redraw_ = true;
        } else if (key != -1) {
            redraw_ = true;  // the band may say why nothing changed
        }
        if (asked_) {
            make(*asked_);
            asked_.reset();
        }
        if (redraw_)
            showPaused();
    }
}

void LiveView::make(TargetEdit edit)
{
    RealBox box{static_cast<double>(edit.box.x), static_cast<double>(edit.box.y),
                static_cast<double>(edit.box.width), static_cast<double>(edit.box.height)};
    if (edit.action == EditAction::Drop)
        for (const TrackedTarget& t : *targets_)
            if (t.id == edit.id)
                box = t.box;
    const std::string refusal = makeEdit_ ? makeEdit_(edit) : "changes are not taken in this window";
    editing_.outcome(edit, refusal);
    if (refusal.empty())
        made_.push_back(MadeEdit{edit, box});
    redraw_ = true;
}

void LiveView::showPaused()
{
    redraw_ = false;
    cv::Mat picture = shown_.clone();
    drawPauseEditing(picture, window_.fit(), editing_, *targets_, made_);
    window_.showPicture(
        withBand(picture, window_.fit(), liveBandText(frameNumber_, playback_.totalFrames, editing_.bandText())));
}

void LiveView::waitAtEnd()
{
    if (stopped_ || shown_.empty() || !window_.isOpen())
        return;
    showLast(kEndText);
    while (!stopRequested() && window_.isOpen())
        if (window_.waitKey(kPausedPollMilliseconds) != -1)
            return;
}

}  // namespace tavo_cli
