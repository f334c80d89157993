#pragma once

// How a window shows a video's frames: scaled down so that the window fits
// the screen, scaled up by a whole factor (each pixel a square block) when
// the frame is too small to point at, with a band of text below the frame.
// Mouse positions in the window map back to frame positions.

#include <opencv2/core.hpp>

namespace tavo_cli {

// The band of text below the frame, and the narrowest window (wide enough
// for the band's text, and to drag a rectangle in).
constexpr int kBandHeight = 24;
constexpr int kSmallestWindowSide = 320;

struct WindowFit {
    cv::Size frame;  // the video's frames
    cv::Size shown;  // the frame as shown in the window

    // The window's drawing area: the frame shown, at least
    // kSmallestWindowSide wide, with the band below it.
    cv::Size window() const;
    // A window position as a frame position (a boundary between pixels,
    // the nearest one), and back.
    cv::Point toFrame(cv::Point windowPoint) const;
    cv::Point toWindow(cv::Point framePoint) const;
    // `frame` scaled to `shown`: pixel blocks when scaled up, averaged
    // when scaled down.
    cv::Mat scaled(const cv::Mat& frame) const;
};

// The fit of `frame` on a screen of `screen` pixels: within the room the
// screen leaves beside window borders and desktop panels, the frame's
// aspect kept; a frame whose larger side is under kSmallestWindowSide is
// scaled up by the whole factor that brings it there, as far as it fits.
WindowFit fitWindow(cv::Size frame, cv::Size screen);

}  // namespace tavo_cli
