#include "session/session_checks.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <set>

bool assignIds(const std::vector<TargetStart>& targets, std::vector<int>& ids, std::string& error)
{
    std::set<int> given;
    int highest = 0;
    for (const TargetStart& t : targets) {
        if (t.id < 0) {
            error = "target id " + std::to_string(t.id) + " is negative";
            return false;
        }
        if (t.id > 0 && !given.insert(t.id).second) {
            error = "target id " + std::to_string(t.id) + " is given twice";
            return false;
        }
        highest = std::max(highest, t.id);
    }
    ids.clear();
    for (const TargetStart& t : targets)
        ids.push_back(t.id > 0 ? t.id : ++highest);
    return true;
}

std::string boxProblem(const Box& b, int columns, int rows, const std::string& frameName)
{
    if (b.width <= 0 || b.height <= 0)
        return "has no area";
    if (const auto range = boxRangeProblem(b))
        return *range;
    if (b.x >= columns || b.y >= rows || int64_t{b.x} + b.width <= 0 || int64_t{b.y} + b.height <= 0)
        return "lies wholly outside " + frameName + " (" + std::to_string(columns) + "x" + std::to_string(rows) + ")";
    return {};
}

std::string estimateText(const Sample& e)
{
    char text[256];
    std::snprintf(text, sizeof text, "pos_x %.9g, pos_y %.9g, vel_x %.9g, vel_y %.9g, scale_x %.9g, scale_y %.9g",
                  static_cast<double>(e.posX), static_cast<double>(e.posY), static_cast<double>(e.velX),
                  static_cast<double>(e.velY), static_cast<double>(e.scaleX), static_cast<double>(e.scaleY));
    return text;
}

std::optional<std::string> startProblem(const cv::Mat& firstFrame, const std::vector<TargetStart>& targets,
                                        const TrackingSettings& settings)
{
    const std::vector<SettingProblem> problems = settingProblems(settings);
    if (!problems.empty()) {
        const SettingProblem& p = problems.front();
        return p.setting + " " + p.value + ": expected " + p.expected;
    }
    if (firstFrame.empty() || firstFrame.type() != CV_8UC3)
        return std::string("the first frame is not an 8-bit image of three channels (BGR)");
    if (const auto problem = frameProblem(settings, firstFrame.cols, firstFrame.rows))
        return problem->setting + " " + problem->value + ": " + problem->expected;
    if (targets.empty())
        return std::string("no targets to track");
    for (const TargetStart& t : targets)
        if (t.frame < 1)
            return "a target joins on frame " + std::to_string(t.frame) + ": frames count from 1";
    if (std::none_of(targets.begin(), targets.end(), [](const TargetStart& t) { return t.frame == 1; }))
        return std::string("no targets on the first frame");
    const int64_t fit = targetsThatFit(settings.tracking.samples);
    if (static_cast<int64_t>(targets.size()) > fit)
        return std::to_string(targets.size()) + " targets of " + std::to_string(settings.tracking.samples) +
               " samples do not fit in the sample store (at most " + std::to_string(fit) + ")";
    return std::nullopt;
}

std::optional<std::string> brokenDown(const tavo& tracker, int frameNumber)
{
    for (const auto& target : tracker.targets) {
        const Sample& e = target->estimate;
        for (const float v : {e.posX, e.posY, e.velX, e.velY, e.scaleX, e.scaleY})
            if (!std::isfinite(v))
                return "the estimate of target " + std::to_string(target->id) + " is not finite on frame " +
                       std::to_string(frameNumber) + " (" + estimateText(e) + "): the tracking has broken down";
    }
    return std::nullopt;
}
