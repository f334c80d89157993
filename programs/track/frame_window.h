#pragma once

// The command's windows: each shows a video's frames fitted to the screen
// (window_fit.h) with a band of text below them, at the picture's own size
// (no scaling by the window system), so that mouse positions map back to
// frame positions exactly through fit().

#include "programs/track/window_fit.h"

#include <opencv2/core.hpp>
#include <opencv2/highgui.hpp>

#include <string>

namespace tavo_cli {

// Auto-size keeps the image unscaled; the normal GUI leaves out the tool
// and status bars that OpenCV's Qt back end otherwise puts around it.
constexpr int kFrameWindowFlags = cv::WINDOW_AUTOSIZE | cv::WINDOW_GUI_NORMAL;

// The keys the windows react to, as highgui reports them.
constexpr int kKeyEscape = 27;
constexpr int kKeySpace = ' ';
bool isEnterKey(int key);  // Return or the keypad's Enter

// The fit of `frame` on the screen of the display (an assumed small
// laptop screen when its size is not known).
WindowFit fitOnScreen(cv::Size frame);

// An open highgui window for frames of one size; destroyed with the
// object.  Needs a display (see missingDisplay()).
class FrameWindow {
public:
    FrameWindow(std::string title, cv::Size frame);
    ~FrameWindow();
    FrameWindow(const FrameWindow&) = delete;
    FrameWindow& operator=(const FrameWindow&) = delete;

    const std::string& title() const { return title_; }
    const WindowFit& fit() const { return fit_; }
    // Shows `frame` fitted, with `bandText` below it.
    void show(const cv::Mat& frame, const std::string& bandText);
    // Shows a picture already fitted, band included (fit().window() in size).
    void showPicture(const cv::Mat& picture);
    // Handles the window's events for up to `milliseconds` (at least 1);
    // returns the key typed, -1 for none.
    int waitKey(int milliseconds);
    // False once the user has closed the window through the window system.
    bool isOpen() const;

private:
    std::string title_;
    WindowFit fit_;
};

}  // namespace tavo_cli
