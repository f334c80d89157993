#include "programs/track/path_plot.h"

#include "programs/track/picture_text.h"
#include "rendering/target_colours.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace tavo_cli {

namespace {

// The frame is faded toward white so that the paths stand out on it.
constexpr double kFrameShare = 0.45;
constexpr int kDotRadius = 1;
constexpr int kFirstBoxThickness = 1;
constexpr int kLastBoxThickness = 2;
constexpr int kTagGap = 2;  // between a box and its id
const cv::Scalar kWhite(255, 255, 255);

// An estimate far outside the frame (or not a number) is left out; within
// this margin it is drawn, cut at the picture's edge.
constexpr float kDrawableMargin = 1 << 16;

bool drawable(const PathPoint& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::fabs(p.x) < kDrawableMargin &&
           std::fabs(p.y) < kDrawableMargin;
}

cv::Point centre(const PathPoint& p) { return {static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))}; }

// The whole pixels a box covers most of.
cv::Rect rect(const RealBox& b)
{
    const int x = static_cast<int>(std::lround(b.x)), y = static_cast<int>(std::lround(b.y));
    return {x, y, static_cast<int>(std::lround(b.x + b.width)) - x, static_cast<int>(std::lround(b.y + b.height)) - y};
}

// The way the target leaves its first point (`step` 1) or reaches its last
// one (`step` -1): toward the first point at least half a box away, zero
// for a target that stays put.
cv::Point2f heading(const std::vector<PathPoint>& points, int step)
{
    const int n = static_cast<int>(points.size());
    const PathPoint& from = step > 0 ? points.front() : points.back();
    const float reach = 0.5f * std::max(from.box.width, from.box.height);
    for (int k = step > 0 ? 0 : n - 1; k >= 0 && k < n; k += step) {
        const cv::Point2f d(points[k].x - from.x, points[k].y - from.y);
        if (drawable(points[k]) && std::hypot(d.x, d.y) >= reach)
            return step > 0 ? d : -d;
    }
    return {0, 0};
}

enum class Side { Right, Below, Left, Above };

// The side of a box that `away` points to (the right one when it points
// nowhere).
Side sideToward(cv::Point2f away)
{
    if (std::fabs(away.y) > std::fabs(away.x))
        return away.y > 0 ? Side::Below : Side::Above;
    return away.x < 0 ? Side::Left : Side::Right;
}

// A tag's place beside a box.
cv::Rect tagBeside(const RealBox& box, cv::Size tag, Side side)
{
    const cv::Rect b = rect(box);
    const int midX = b.x + (b.width - tag.width) / 2, midY = b.y + (b.height - tag.height) / 2;
    switch (side) {
    case Side::Below:
        return {{midX, b.y + b.height + kTagGap}, tag};
    case Side::Above:
        return {{midX, b.y - kTagGap - tag.height}, tag};
    case Side::Left:
        return {{b.x - kTagGap - tag.width, midY}, tag};
    case Side::Right:
        break;
    }
    return {{b.x + b.width + kTagGap, midY}, tag};
}

}  // namespace

cv::Mat drawPathPlot(const cv::Mat& firstFrame, const std::vector<TargetPath>& paths)
{
    cv::Mat picture;
    cv::addWeighted(firstFrame, kFrameShare, cv::Mat(firstFrame.size(), firstFrame.type(), kWhite), 1.0 - kFrameShare,
                    0.0, picture);
    const bool tracked = !paths.empty() && !paths.front().points.empty();
    const int first = tracked ? paths.front().points.front().frame : 0;
    const int frames = tracked ? paths.front().points.back().frame : 0;
    // Targets that joined later start on frames of their own.
    const bool laterTargets = std::any_of(paths.begin(), paths.end(), [&](const TargetPath& p) {
        return !p.points.empty() && p.points.front().frame != first;
    });
    // The caption before the paths, which stay on top of it.
    drawCaption(picture, "thin box: frame " + std::to_string(first) + (laterTargets ? " or a target's first" : "") +
                             ", thick box: frame " + std::to_string(frames));

    // Lines first, then the boxes and dots of every target on top, the tags
    // last so that no path hides an id.
    std::vector<std::vector<cv::Point>> centres(paths.size());
    for (size_t k = 0; k < paths.size(); ++k) {
        for (const PathPoint& p : paths[k].points)
            if (drawable(p))
                centres[k].push_back(centre(p));
        cv::polylines(picture, centres[k], false, targetColour(paths[k].id), 1, cv::LINE_AA);
    }
    for (size_t k = 0; k < paths.size(); ++k) {
        const cv::Scalar colour = targetColour(paths[k].id);
        const auto& points = paths[k].points;
        if (points.empty())
            continue;
        cv::rectangle(picture, rect(points.front().box), colour, kFirstBoxThickness);
        cv::rectangle(picture, rect(points.back().box), colour, kLastBoxThickness);
        for (const cv::Point& c : centres[k])
            cv::circle(picture, c, kDotRadius, colour, cv::FILLED);
    }
    for (const TargetPath& path : paths) {
        if (path.points.empty())
            continue;
        const cv::Scalar colour = targetColour(path.id);
        const std::string id = std::to_string(path.id);
        const cv::Size size = tagSize(id);
        // Each tag on the side of its box that the path does not take: behind
        // the start, ahead of the end.
        const cv::Rect start = tagBeside(path.points.front().box, size, sideToward(-heading(path.points, 1)));
        // A target back where it started would have both tags on one spot:
        // the end's goes round its box to the next free side.
        const Side ahead = sideToward(heading(path.points, -1));
        cv::Rect end = tagBeside(path.points.back().box, size, ahead);
        for (int turn = 1; turn < 4 && (end & start).area() > 0; ++turn)
            end = tagBeside(path.points.back().box, size, static_cast<Side>((static_cast<int>(ahead) + turn) % 4));
        drawTag(picture, id, start.tl(), colour, kWhite);
        drawTag(picture, id, end.tl(), kWhite, colour);
    }
    return picture;
}

}  // namespace tavo_cli
