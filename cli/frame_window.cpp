#include "cli/frame_window.h"

#include "app/window_environment.h"

#include <algorithm>

namespace tavo_cli {

bool isEnterKey(int key)
{
    // Qt reports 13 for both; other back ends may give a line feed.
    return key == '\r' || key == '\n';
}

FrameWindow::FrameWindow(std::string title) : title_(std::move(title))
{
    quietWindowSystem();
    cv::namedWindow(title_, kFrameWindowFlags);
}

FrameWindow::~FrameWindow()
{
    cv::destroyWindow(title_);
    // The window vanishes from the screen only once its events are handled.
    cv::waitKey(1);
}

void FrameWindow::show(const cv::Mat& image) { cv::imshow(title_, image); }

int FrameWindow::waitKey(int milliseconds)
{
    const int key = cv::waitKey(std::max(milliseconds, 1));
    // Modifier bits above the character are left out.
    return key == -1 ? -1 : key & 0xFF;
}

bool FrameWindow::isOpen() const { return cv::getWindowProperty(title_, cv::WND_PROP_VISIBLE) > 0; }

}  // namespace tavo_cli
