#pragma once

// Correcting a run from the live window while it is paused: the mouse and
// keys as changes to the targets.
//
// A drag draws a rectangle (cut to the frame).  Released, with no target
// selected and not begun inside a target's box, it asks to add a target
// there.  A click (the mouse moved no more than a few window pixels) inside
// a target's box selects it; a click elsewhere selects nothing.  With a
// target selected, d asks to drop it, and a rectangle dragged and then r
// ask to re-initialise it there.  A rectangle too small, or outside the
// frame, is refused with the reason; so is a key without what it needs.

#include "programs/track/edit_record.h"
#include "programs/track/window_fit.h"
#include "session/tracking_session.h"

#include <opencv2/core.hpp>

#include <optional>
#include <string>
#include <vector>

namespace tavo_cli {

// The narrowest rectangle kept, in frame pixels: a target must have room
// for the tracker's samples to differ from one another.
constexpr int kSmallestEditSide = 4;
// How far the mouse may move, in window pixels, for a press and release to
// count as a click.
constexpr int kClickSlop = 3;

class PauseEditing {
public:
    explicit PauseEditing(const WindowFit& fit) : fit_(fit) {}

    // The mouse, at window positions, over a frame with `targets`.
    void press(cv::Point at, const std::vector<TrackedTarget>& targets);
    void moveTo(cv::Point at);
    // The change a drag asks for (an add, its id 0 for the next free).
    std::optional<TargetEdit> release(cv::Point at);
    // The change a key asks for (d: drop, r: re-initialise).
    std::optional<TargetEdit> key(int key);
    // The outcome of the change asked for: empty `refusal` when it was
    // made, which leaves nothing selected or drawn.
    void outcome(const TargetEdit& edit, const std::string& refusal);
    // Nothing selected or drawn, no message: as when a pause begins.
    void reset();

    int selected() const { return selected_; }  // 0: none
    // The rectangle being dragged, or drawn for r; in frame pixels.
    std::optional<Box> drawn() const;
    // What the band says: the last outcome or refusal, or the keys.
    std::string bandText() const;

private:
    bool dragged() const;
    // The drawn rectangle, or why it cannot be a target's box.
    std::optional<Box> usableBox(std::string& refusal) const;

    WindowFit fit_;
    int selected_ = 0;
    int pressedOn_ = 0;  // the target under the press, 0: none
    bool dragging_ = false;
    bool hasDrawn_ = false;
    cv::Point from_, to_;  // window positions
    std::string message_;
};

// The target whose box holds the frame position `at` (the smallest, where
// boxes overlap); 0 for none.
int targetAt(cv::Point at, const std::vector<TrackedTarget>& targets);

// A change made while paused, with the box it concerns: the new one for an
// add or re-initialisation, the last one of a dropped target.
struct MadeEdit {
    TargetEdit edit;
    RealBox box;
};

// Draws, on the picture the window shows (`fit` scaled, band left out):
// the selected target's box thick, the rectangle drawn, and the changes
// made on this frame (added and re-initialised boxes with their ids, a
// cross over dropped targets).
void drawPauseEditing(cv::Mat& shown, const WindowFit& fit, const PauseEditing& editing,
                      const std::vector<TrackedTarget>& targets, const std::vector<MadeEdit>& made);

}  // namespace tavo_cli
