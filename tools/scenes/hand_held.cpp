#include "scenes/hand_held.h"

#include <algorithm>
#include <cmath>

namespace scenes {

namespace {

constexpr double kMaxShakeStep = 4.0;  // px / frame: the pans keep under 6
constexpr double kCalmShake = 0.4, kStrongShake = 2.2;  // px, standard deviation
constexpr double kShakePull = 0.75;  // share of the shake left after a frame

bool isShaky(const std::vector<cv::Vec2i>& shaky, int f)
{
    return std::any_of(shaky.begin(), shaky.end(),
                       [f](const cv::Vec2i& s) { return f >= s[0] && f <= s[1]; });
}

}  // namespace

std::vector<View> handHeldViews(cv::RNG& rng, const std::vector<Key>& keys,
                                const std::vector<cv::Vec2i>& shaky, int frames)
{
    const std::vector<Pose> glided = glide(1.0, 1.0, keys, frames);
    std::vector<View> views;
    cv::Point2d shake(0, 0);
    for (int f = 0; f < frames; ++f) {
        const double spread = isShaky(shaky, f) ? kStrongShake : kCalmShake;
        const cv::Point2d wanted(kShakePull * shake.x + rng.gaussian(spread),
                                 kShakePull * shake.y + rng.gaussian(spread));
        cv::Point2d step = wanted - shake;
        const double length = std::hypot(step.x, step.y);
        if (length > kMaxShakeStep)
            step *= kMaxShakeStep / length;
        shake += f == 0 ? cv::Point2d(0, 0) : step;
        views.push_back({glided[f].cx + shake.x, glided[f].cy + shake.y, glided[f].w});
    }
    return views;
}

Pose seenThrough(const View& v, const Pose& onGround)
{
    return {v.zoom * (onGround.cx - v.cx) + kFrameWidth / 2.0,
            v.zoom * (onGround.cy - v.cy) + kFrameHeight / 2.0, v.zoom * onGround.w,
            v.zoom * onGround.h, onGround.angle};
}

cv::Matx23d imageFromBackground(const View& v)
{
    return {v.zoom, 0, kFrameWidth / 2.0 - v.zoom * v.cx,
            0, v.zoom, kFrameHeight / 2.0 - v.zoom * v.cy};
}

}  // namespace scenes
