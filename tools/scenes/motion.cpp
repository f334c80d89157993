#include "scenes/motion.h"

#include <cmath>

namespace scenes {

std::vector<Pose> glide(double w, double h, const std::vector<Key>& keys, int frames)
{
    std::vector<Pose> poses(frames);
    for (int f = 0; f < frames; ++f) {
        size_t k = 0;
        while (k + 1 < keys.size() && keys[k + 1].frame <= f)
            ++k;
        Key at = keys[k];
        if (k + 1 < keys.size() && f > keys[k].frame) {
            const Key& from = keys[k];
            const Key& to = keys[k + 1];
            const double u = static_cast<double>(f - from.frame) / (to.frame - from.frame);
            const double s = u * u * (3.0 - 2.0 * u);
            at = {f, from.cx + (to.cx - from.cx) * s, from.cy + (to.cy - from.cy) * s,
                  from.scale + (to.scale - from.scale) * s, from.angle + (to.angle - from.angle) * s};
        }
        poses[f] = {at.cx, at.cy, w * at.scale, h * at.scale, at.angle};
    }
    return poses;
}

std::vector<Pose> bounce(cv::RNG& rng, double w, double h, const cv::Rect2d& area,
                         double maxSpeed)
{
    constexpr int kShortestRun = 15, kLongestRun = 45;
    const double loX = area.x + w / 2, hiX = area.x + area.width - w / 2;
    const double loY = area.y + h / 2, hiY = area.y + area.height - h / 2;
    double x = (loX + hiX) / 2, y = (loY + hiY) / 2, vx = 0, vy = 0;
    int nextChange = 0;
    std::vector<Pose> poses(kFrameCount);
    for (int f = 0; f < kFrameCount; ++f) {
        if (f == nextChange) {
            // Whole speeds 0..max, so that stops and top speed both occur;
            // a stop is followed by a move, never by another stop.
            const int slowest = vx == 0 && vy == 0 && f > 0 ? 1 : 0;
            const double speed = rng.uniform(slowest, static_cast<int>(maxSpeed) + 1);
            const double angle = rng.uniform(0.0, 2.0 * CV_PI);
            vx = speed * std::cos(angle);
            vy = speed * std::sin(angle);
            nextChange += rng.uniform(kShortestRun, kLongestRun + 1);
        }
        poses[f] = {x, y, w, h};
        x += vx;
        y += vy;
        if (x < loX || x > hiX) {
            x = x < loX ? 2 * loX - x : 2 * hiX - x;
            vx = -vx;
        }
        if (y < loY || y > hiY) {
            y = y < loY ? 2 * loY - y : 2 * hiY - y;
            vy = -vy;
        }
    }
    return poses;
}

void addGait(std::vector<Pose>& poses, double bob, double stride)
{
    double walked = 0;
    std::vector<Pose> path = poses;
    for (size_t f = 0; f < poses.size(); ++f) {
        if (f > 0)
            walked += std::hypot(path[f].cx - path[f - 1].cx, path[f].cy - path[f - 1].cy);
        poses[f].cy -= bob * path[f].h * std::sin(2 * CV_PI * walked / (stride * path[f].h));
    }
}

}  // namespace scenes
