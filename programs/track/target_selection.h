#pragma once

// --select: the user drags target rectangles on the first frame in the
// window "TAVO select targets".  A rectangle is drawn while dragging; Space
// or Enter keeps it; c drops the rectangle drawn, or else the last one
// kept; Escape, Enter with no rectangle drawn, or closing the window ends
// the selection with the rectangles kept.  A rectangle beyond the number
// of targets that fit is refused on the spot, the others stay.  Ctrl-C or
// SIGTERM ends the selection and the run at once.

#include "programs/track/window_fit.h"
#include "support/box.h"

#include <opencv2/core.hpp>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace tavo_cli {

extern const char* const kSelectionWindowTitle;

// The selection's state, driven by the window's mouse and key events.
// Points are in frame pixels (the window's mouse positions mapped back); a drag from a to b covers the pixels from a
// up to but not including b in either direction, cut to the frame.
class TargetSelection {
public:
    // At most `room` rectangles can be kept.
    explicit TargetSelection(cv::Size frame, size_t room = SIZE_MAX) : frame_(frame), room_(room) {}

    void press(cv::Point at);    // the left button goes down: a new rectangle
    void moveTo(cv::Point at);   // the mouse moves with the button held
    void release(cv::Point at);  // the button goes up: the rectangle stays drawn
    // A key typed; false when it ends the selection.
    bool key(int key);

    const std::vector<Box>& kept() const { return kept_; }
    // How many rectangles were refused so far: kept when no room was left
    // (each refused rectangle is dropped); whether the last one kept was,
    // until the next drag or drop.
    int refusals() const { return refusals_; }
    bool refusedLast() const { return refusedLast_; }
    // The rectangle drawn but not kept yet, while dragging or after.
    std::optional<Box> drawn() const;

private:
    cv::Point clamp(cv::Point p) const;

    cv::Size frame_;
    size_t room_;
    std::vector<Box> kept_;
    int refusals_ = 0;
    bool refusedLast_ = false;
    bool dragging_ = false;
    bool hasDrawn_ = false;
    cv::Point from_, to_;
};

// The ids of `count` new targets: those after the highest of `given`.
std::vector<int> idsAfter(const std::vector<int>& given, size_t count);

// The targets of the run so far: those of --box, --box-id or --targets.
struct GivenTargets {
    std::vector<Box> boxes;
    std::vector<int> ids;  // one per box
};

// The picture the window shows: the frame as `fit` shows it, with the
// run's earlier targets and the kept rectangles outlined and numbered with
// their ids, the rectangle being drawn in another colour, and in the band
// below a line naming the keys (or saying that the last rectangle was
// refused).
cv::Mat selectionPicture(const cv::Mat& frame, const GivenTargets& given, const TargetSelection& selection,
                         const WindowFit& fit);

// Shows the first frame and lets the user add targets after `targets`,
// which already holds those of --box, --box-id or --targets; the new ones
// take the ids after the highest.  At most `maxTargets` targets in all: a
// rectangle beyond is refused, with a message in the window and on `err`.
// Returns the exit status: success, a usage error with `error` set when
// the run is left without a target, or the interrupted status when a
// signal ended the selection.  Needs a display.
int selectTargets(const cv::Mat& firstFrame, GivenTargets& targets, int64_t maxTargets, std::string& error,
                  std::FILE* err);

// The options that give the run's targets again, ready to repeat the run
// without the window: "--box X,Y,W,H --box ..." when the ids are 1, 2, 3,
// ... in order, otherwise "--box-id ID,X,Y,W,H --box-id ...".
std::string boxOptions(const GivenTargets& targets);

}  // namespace tavo_cli
