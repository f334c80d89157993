#include "scenes/scene.h"

#include <opencv2/core.hpp>

#include <algorithm>
#include <climits>
#include <cmath>

namespace scenes {

namespace {

// Corners of a turned object's box, in whole pixels around its centre.
cv::Rect turnedBounds(const Pose& p)
{
    const double a = p.angle * CV_PI / 180.0;
    const double halfW = (std::abs(p.w * std::cos(a)) + std::abs(p.h * std::sin(a))) / 2;
    const double halfH = (std::abs(p.w * std::sin(a)) + std::abs(p.h * std::cos(a))) / 2;
    const int x0 = static_cast<int>(std::floor(p.cx - halfW)) - 1;
    const int y0 = static_cast<int>(std::floor(p.cy - halfH)) - 1;
    const int x1 = static_cast<int>(std::ceil(p.cx + halfW)) + 1;
    const int y1 = static_cast<int>(std::ceil(p.cy + halfH)) + 1;
    return {x0, y0, x1 - x0, y1 - y0};
}

cv::Rect turnedBox(const Pose& p)
{
    const cv::Rect around = turnedBounds(p);
    int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
    for (int y = around.y; y < around.y + around.height; ++y)
        for (int x = around.x; x < around.x + around.width; ++x)
            if (covers(p, x, y)) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
    return x0 > x1 ? cv::Rect() : cv::Rect(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
}

}  // namespace

bool covers(const Pose& p, int x, int y)
{
    const double a = p.angle * CV_PI / 180.0;
    const double dx = x + 0.5 - p.cx, dy = y + 0.5 - p.cy;
    const double along = dx * std::cos(a) + dy * std::sin(a);
    const double across = -dx * std::sin(a) + dy * std::cos(a);
    return std::abs(along) < p.w / 2 && std::abs(across) < p.h / 2;
}

cv::Rect boxOf(const Pose& p)
{
    if (p.angle != 0.0)
        return turnedBox(p);
    const int w = static_cast<int>(std::lround(p.w));
    const int h = static_cast<int>(std::lround(p.h));
    return {static_cast<int>(std::lround(p.cx - p.w / 2.0)),
            static_cast<int>(std::lround(p.cy - p.h / 2.0)), w, h};
}

int boxGap(const cv::Rect& a, const cv::Rect& b)
{
    const int gapX = std::max(a.x - (b.x + b.width), b.x - (a.x + a.width));
    const int gapY = std::max(a.y - (b.y + b.height), b.y - (a.y + a.height));
    return std::max(gapX, gapY);
}

double hiddenShare(const cv::Rect& box, const std::vector<cv::Rect>& occluders)
{
    cv::Mat covered(box.size(), CV_8U, cv::Scalar(0));
    for (const cv::Rect& o : occluders) {
        const cv::Rect inside = (o & box) - box.tl();
        if (!inside.empty())
            covered(inside).setTo(1);
    }
    return static_cast<double>(cv::countNonZero(covered)) / box.area();
}

const std::vector<cv::Rect>& occludersOn(const Scene& s, int f)
{
    static const std::vector<cv::Rect> none;
    return s.occluders.empty() ? none : s.occluders[f];
}

cv::Rect visibleBox(const Scene& s, int id, int f)
{
    return boxOf(s.objects[id - 1].poses[f]) & cv::Rect(cv::Point(0, 0), s.frameSize);
}

int targetCount(const Scene& s)
{
    return s.targets > 0 ? s.targets : static_cast<int>(s.objects.size());
}

bool inGroundTruth(const Scene& s, int id, int f)
{
    const cv::Rect visible = visibleBox(s, id, f);
    return !visible.empty() && hiddenShare(visible, occludersOn(s, f)) <= kOmittedHiddenShare;
}

}  // namespace scenes
