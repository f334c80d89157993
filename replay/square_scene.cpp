#include "replay/square_scene.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace {

// Frames of one full swing, there and back.
constexpr int kSwingPeriod = 60;
// Grey (hue 0) of medium brightness: no square is confused with it.
const cv::Scalar kGround(120, 120, 120);
// Squares of grid scenes: the demo's size, and how far they swing.
constexpr int kGridSquareSize = 18;
constexpr int kGridSwing = 5;
// Hues of grid scenes step by this much over 10 .. 169, well clear of grey's
// 0 and of 179, which the colour model does not count.
constexpr int kGridHueStep = 37;
constexpr int kGridHueSpan = 160;
constexpr int kGridFirstHue = 10;

cv::Scalar bgrOfHue(int hue)
{
    cv::Mat hsv(1, 1, CV_8UC3, cv::Scalar(hue, 255, 230)), bgr;
    cv::cvtColor(hsv, bgr, cv::COLOR_HSV2BGR);
    const cv::Vec3b c = bgr.at<cv::Vec3b>(0, 0);
    return cv::Scalar(c[0], c[1], c[2]);
}

}  // namespace

cv::Mat SquareScene::frameAt(int f) const
{
    cv::Mat frame(height, width, CV_8UC3, kGround);
    const double phase = std::sin(2.0 * CV_PI * f / kSwingPeriod);
    for (const MovingSquare& s : squares) {
        const int x = s.x + static_cast<int>(std::lround(s.swingX * phase));
        const int y = s.y + static_cast<int>(std::lround(s.swingY * phase));
        cv::rectangle(frame, cv::Rect(x, y, s.size, s.size), bgrOfHue(s.hue), cv::FILLED);
    }
    return frame;
}

std::vector<Box> SquareScene::startBoxes() const
{
    std::vector<Box> boxes;
    for (const MovingSquare& s : squares) {
        const int x0 = std::max(s.x, 0), y0 = std::max(s.y, 0);
        const int x1 = std::min(s.x + s.size, width), y1 = std::min(s.y + s.size, height);
        boxes.push_back(Box{x0, y0, std::max(x1 - x0, 1), std::max(y1 - y0, 1)});
    }
    return boxes;
}

SquareScene SquareScene::grid(int width, int height, int count)
{
    SquareScene scene;
    scene.width = width;
    scene.height = height;
    int columns = 1;
    while (columns * columns * height < count * width)
        ++columns;
    const int rows = (count + columns - 1) / columns;
    for (int i = 0; i < count; ++i) {
        const int cx = (2 * (i % columns) + 1) * width / (2 * columns);
        const int cy = (2 * (i / columns) + 1) * height / (2 * rows);
        const int hue = kGridFirstHue + (i * kGridHueStep) % kGridHueSpan;
        scene.squares.push_back(MovingSquare{cx - kGridSquareSize / 2, cy - kGridSquareSize / 2, kGridSquareSize, hue,
                                             kGridSwing, kGridSwing / 2});
    }
    return scene;
}
