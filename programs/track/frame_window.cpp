#include "programs/track/frame_window.h"

#include "rendering/display_check.h"
#include "rendering/window_environment.h"
#include "programs/track/window_band.h"

#include <algorithm>

namespace tavo_cli {

namespace {

// When the display does not say: the smallest common laptop screen.
const cv::Size kAssumedScreen(1366, 768);

}  // namespace

bool isEnterKey(int key)
{
    // Qt reports 13 for both; other back ends may give a line feed.
    return key == '\r' || key == '\n';
}

WindowFit fitOnScreen(cv::Size frame)
{
    const auto screen = screenSize();
    return fitWindow(frame, screen ? cv::Size(screen->width, screen->height) : kAssumedScreen);
}

FrameWindow::FrameWindow(std::string title, cv::Size frame) : title_(std::move(title)), fit_(fitOnScreen(frame))
{
    quietWindowSystem();
    cv::namedWindow(title_, kFrameWindowFlags);
}

FrameWindow::~FrameWindow()
{
    // Whatever a mouse handler was given may be gone by now (it is often
    // made after the window, so destroyed before it): no event reaches it.
    try {
        cv::setMouseCallback(title_, nullptr, nullptr);
    } catch (const cv::Exception&) {
        // The window system has already destroyed the window: no more events.
    }
    cv::destroyWindow(title_);
    // The window vanishes from the screen only once its events are handled.
    cv::waitKey(1);
}

void FrameWindow::show(const cv::Mat& frame, const std::string& bandText)
{
    showPicture(withBand(fit_.scaled(frame), fit_, bandText));
}

void FrameWindow::showPicture(const cv::Mat& picture) { cv::imshow(title_, picture); }

int FrameWindow::waitKey(int milliseconds)
{
    const int key = cv::waitKey(std::max(milliseconds, 1));
    // Modifier bits above the character are left out.
    return key == -1 ? -1 : key & 0xFF;
}

bool FrameWindow::isOpen() const { return cv::getWindowProperty(title_, cv::WND_PROP_VISIBLE) > 0; }

}  // namespace tavo_cli
