#pragma once

// --select: the user drags target rectangles on the first frame in the
// window "TAVO select targets".  A rectangle is drawn while dragging; Space
// or Enter keeps it; c drops the rectangle drawn, or else the last one
// kept; Escape, Enter with no rectangle drawn, or closing the window ends
// the selection with the rectangles kept.

#include "support/box.h"

#include <opencv2/core.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavo_cli {

extern const char* const kSelectionWindowTitle;

// The selection's state, driven by the window's mouse and key events.
// Points are in frame pixels; a drag from a to b covers the pixels from a
// up to but not including b in either direction, cut to the frame.
class TargetSelection {
public:
    explicit TargetSelection(cv::Size frame) : frame_(frame) {}

    void press(cv::Point at);    // the left button goes down: a new rectangle
    void moveTo(cv::Point at);   // the mouse moves with the button held
    void release(cv::Point at);  // the button goes up: the rectangle stays drawn
    // A key typed; false when it ends the selection.
    bool key(int key);

    const std::vector<Box>& kept() const { return kept_; }
    // The rectangle drawn but not kept yet, while dragging or after.
    std::optional<Box> drawn() const;

private:
    cv::Point clamp(cv::Point p) const;

    cv::Size frame_;
    std::vector<Box> kept_;
    bool dragging_ = false;
    bool hasDrawn_ = false;
    cv::Point from_, to_;
};

// The picture the window shows: the frame with the run's earlier targets
// (`given`) and the kept rectangles outlined and numbered with the ids they
// will get, the rectangle being drawn in another colour, and a line naming
// the keys.
cv::Mat selectionPicture(const cv::Mat& frame, const std::vector<Box>& given, const TargetSelection& selection);

// Shows the first frame and lets the user add targets after `boxes`, which
// already holds those of --box or --targets.  Returns the exit status:
// success, or a usage error with `error` set when the run is left without a
// target or with more than `maxTargets`.  Needs a display.
int selectTargets(const cv::Mat& firstFrame, std::vector<Box>& boxes, int64_t maxTargets, std::string& error);

// "--box X,Y,W,H --box ...", ready to repeat the run without the window.
std::string boxOptions(const std::vector<Box>& boxes);

}  // namespace tavo_cli
