#include "scenes/scene.h"

#include <opencv2/core.hpp>

#include <algorithm>
#include <cmath>

namespace scenes {

cv::Rect boxOf(const Pose& p)
{
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

bool inGroundTruth(const Scene& s, int id, int f)
{
    return hiddenShare(boxOf(s.objects[id - 1].poses[f]), occludersOn(s, f)) <=
           kOmittedHiddenShare;
}

}  // namespace scenes
