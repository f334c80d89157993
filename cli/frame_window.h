#pragma once

// The command's windows: each shows a frame at its own size, so that a
// window pixel is a frame pixel (mouse positions included) and the window
// is no larger than the video.

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

// An open highgui window; destroyed with the object.  Needs a display (see
// missingDisplay()).
class FrameWindow {
public:
    explicit FrameWindow(std::string title);
    ~FrameWindow();
    FrameWindow(const FrameWindow&) = delete;
    FrameWindow& operator=(const FrameWindow&) = delete;

    const std::string& title() const { return title_; }
    void show(const cv::Mat& image);
    // Handles the window's events for up to `milliseconds` (at least 1);
    // returns the key typed, -1 for none.
    int waitKey(int milliseconds);
    // False once the user has closed the window through the window system.
    bool isOpen() const;

private:
    std::string title_;
};

}  // namespace tavo_cli
