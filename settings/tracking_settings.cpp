#include "settings/tracking_settings.h"

#include "settings/setting_table.h"

#include <cstdio>

double surroundWeightFor(const TrackingSettings& s)
{
    if (s.surround)
        return *s.surround;
    return s.motion.scaleWalk() && !(s.colour.foregroundWeight > 0.0) ? kScaleSurroundWeight : 0.0;
}

std::string partsText(int parts) { return parts == kPartsByShape ? "auto" : std::to_string(parts); }

TrackingSettings resolved(TrackingSettings s)
{
    s.colour.ringWeight = surroundWeightFor(s);
    s.surround = s.colour.ringWeight;
    return s;
}

TrackingSettings robustSettings()
{
    TrackingSettings s;
    s.colour.space = ColourSpace::Hsv;
    s.colour.normaliseLight = true;
    s.colour.kernel = true;
    s.colour.parts = kPartsByShape;
    s.colour.sharpness = 20.0;
    s.colour.foregroundWeight = 0.25;
    s.colour.background.ringCountsStillUnknown = true;
    s.colour.background.learnRevealed = true;
    s.colour.background.revealedWithCamera = true;
    s.adaptation.rate = 0.05;
    s.motion.spread = 0.1;
    s.motion.spreadWhenPoor = 0.3;
    s.motion.adaptiveNoise = true;
    s.motion.damping = 0.0;
    s.motion.scaleNoise = 0.02;
    s.motion.aspectNoise = 0.02;
    s.motion.minScale = 0.4;
    s.motion.maxScale = 2.5;
    s.motion.lostAndFound = true;
    s.motion.lostSimilarity = kRobustLostSimilarity;
    s.motion.keepInFrame = true;
    s.fit.enabled = true;
    s.fit.endJoinApart = true;
    s.camera.mode = CameraMode::Auto;
    s.camera.motion.judgeEarly = true;
    s.camera.motion.driftShift = kRobustCameraDrift;
    s.confidence.kind = ConfidenceKind::Calibrated;
    return s;
}

namespace {

std::string number(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

}  // namespace

std::vector<SettingProblem> settingProblems(const TrackingSettings& settings)
{
    std::vector<SettingProblem> problems;
    for (const Setting& s : settingTable())
        if (s.inRange && !s.inRange(settings))  // NaN fails every comparison, so it is caught here too
            problems.push_back({s.name, s.text(settings), s.expected});
    return problems;
}

std::string expectedValue(const std::string& setting)
{
    const Setting* s = findSetting(setting);
    return s ? s->expected : std::string();
}

std::optional<SettingProblem> frameProblem(const TrackingSettings& settings, int frameWidth, int frameHeight)
{
    const int largest = frameWidth > frameHeight ? frameWidth : frameHeight;
    if (settings.tracking.noise <= static_cast<float>(largest))
        return std::nullopt;
    return SettingProblem{"noise", number(settings.tracking.noise),
                          "at most " + std::to_string(largest) + ", the larger side of the frame (" +
                              std::to_string(frameWidth) + "x" + std::to_string(frameHeight) + ")"};
}
