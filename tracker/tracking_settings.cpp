#include "tracker/tracking_settings.h"

#include <cstdio>
#include <functional>

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
    s.motion.coreNeighbours = true;
    s.motion.coastWhenJoined = true;
    s.fit.enabled = true;
    s.camera.mode = CameraMode::Auto;
    return s;
}

namespace {

std::string number(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

std::string fromTo(double low, double high) { return "a number from " + number(low) + " to " + number(high); }

struct RangeRule {
    const char* setting;
    std::function<bool(const TrackingSettings&)> holds;
    std::function<std::string(const TrackingSettings&)> value;
    std::string expected;
};

const std::vector<RangeRule>& rangeRules()
{
    using S = const TrackingSettings&;
    const auto inUnit = [](double v) { return v >= 0.0 && v <= 1.0; };
    static const std::vector<RangeRule> rules = {
        {"samples", [](S s) { return targetsThatFit(s.tracking.samples) >= kStandardTargetCount; },
         [](S s) { return std::to_string(s.tracking.samples); },
         "a positive integer, at most " + std::to_string(kMaxStoreSlots / kStandardTargetCount) +
             " (the sample store's share of one target)"},
        {"noise", [](S s) { return s.tracking.noise >= 0.0f && s.tracking.noise <= kMaxNoise; },
         [](S s) { return number(s.tracking.noise); }, "a finite number >= 0"},
        {"iterations", [](S s) { return s.tracking.iterations > 0 && s.tracking.iterations <= kMaxIterations; },
         [](S s) { return std::to_string(s.tracking.iterations); },
         "an integer from 1 to " + std::to_string(kMaxIterations) + " (more would take over ten seconds a frame)"},
        {"threads", [](S s) { return s.tracking.threads >= 1 && s.tracking.threads <= kMaxThreads; },
         [](S s) { return std::to_string(s.tracking.threads); },
         "an integer from 1 to " + std::to_string(kMaxThreads)},
        {"hsv-bins",
         [](S s) {
             const ColourBinning& b = s.colour.binning;
             return b.hueBins >= 1 && b.saturationBins >= 1 && b.valueBins >= 1 &&
                    static_cast<long>(b.hueBins) * b.saturationBins + b.valueBins <= kMaxColourBins;
         },
         [](S s) {
             const ColourBinning& b = s.colour.binning;
             return std::to_string(b.hueBins) + "," + std::to_string(b.saturationBins) + "," +
                    std::to_string(b.valueBins);
         },
         "H,S,V, each at least 1, with H * S + V <= " + std::to_string(kMaxColourBins)},
        {"min-saturation",
         [](S s) { return s.colour.binning.minSaturation >= 0 && s.colour.binning.minSaturation <= 255; },
         [](S s) { return std::to_string(s.colour.binning.minSaturation); }, "an integer from 0 to 255"},
        {"min-value", [](S s) { return s.colour.binning.minValue >= 0 && s.colour.binning.minValue <= 255; },
         [](S s) { return std::to_string(s.colour.binning.minValue); }, "an integer from 0 to 255"},
        {"parts", [](S s) { return s.colour.parts == 1 || s.colour.parts == 2 || s.colour.parts == kPartsByShape; },
         [](S s) { return partsText(s.colour.parts); }, "1, 2 or auto"},
        {"sharpness", [](S s) { return s.colour.sharpness > 0.0 && s.colour.sharpness <= kMaxSharpness; },
         [](S s) { return number(s.colour.sharpness); },
         "a number above 0 and at most " + number(kMaxSharpness)},
        {"foreground",
         [](S s) { return s.colour.foregroundWeight >= 0.0 && s.colour.foregroundWeight <= kMaxForegroundWeight; },
         [](S s) { return number(s.colour.foregroundWeight); }, fromTo(0, kMaxForegroundWeight)},
        {"adapt", [=](S s) { return inUnit(s.adaptation.rate); }, [](S s) { return number(s.adaptation.rate); },
         fromTo(0, 1)},
        {"spread", [=](S s) { return inUnit(s.motion.spread); }, [](S s) { return number(s.motion.spread); },
         fromTo(0, 1)},
        {"spread-when-poor", [=](S s) { return inUnit(s.motion.spreadWhenPoor); },
         [](S s) { return number(s.motion.spreadWhenPoor); }, fromTo(0, 1)},
        {"damping", [=](S s) { return inUnit(s.motion.damping); }, [](S s) { return number(s.motion.damping); },
         fromTo(0, 1)},
        {"scale-noise", [](S s) { return s.motion.scaleNoise >= 0.0 && s.motion.scaleNoise <= kMaxScaleNoise; },
         [](S s) { return number(s.motion.scaleNoise); }, fromTo(0, kMaxScaleNoise)},
        {"aspect-noise", [](S s) { return s.motion.aspectNoise >= 0.0 && s.motion.aspectNoise <= kMaxScaleNoise; },
         [](S s) { return number(s.motion.aspectNoise); }, fromTo(0, kMaxScaleNoise)},
        {"shape-noise", [](S s) { return s.motion.shapeNoise >= 0.0 && s.motion.shapeNoise <= kMaxScaleNoise; },
         [](S s) { return number(s.motion.shapeNoise); }, fromTo(0, kMaxScaleNoise)},
        {"lost-similarity", [=](S s) { return inUnit(s.motion.lostSimilarity); },
         [](S s) { return number(s.motion.lostSimilarity); }, fromTo(0, 1)},
        {"scale-pull", [=](S s) { return inUnit(s.motion.scalePull); }, [](S s) { return number(s.motion.scalePull); },
         fromTo(0, 1)},
        {"scale-range",
         [](S s) {
             return s.motion.minScale > 0.0 && s.motion.minScale <= 1.0 && s.motion.maxScale >= 1.0 &&
                    s.motion.maxScale <= kMaxScale;
         },
         [](S s) { return number(s.motion.minScale) + "," + number(s.motion.maxScale); },
         "LO,HI with 0 < LO <= 1 <= HI <= " + number(kMaxScale)},
        {"surround", [](S s) { return !s.surround || (*s.surround >= 0.0 && *s.surround <= kMaxSurroundWeight); },
         [](S s) { return number(s.surround.value_or(0.0)); }, fromTo(0, kMaxSurroundWeight)},
    };
    return rules;
}

}  // namespace

std::vector<SettingProblem> settingProblems(const TrackingSettings& settings)
{
    std::vector<SettingProblem> problems;
    for (const RangeRule& rule : rangeRules())
        if (!rule.holds(settings))  // NaN fails every comparison, so it is caught here too
            problems.push_back({rule.setting, rule.value(settings), rule.expected});
    return problems;
}

std::string expectedValue(const std::string& setting)
{
    for (const RangeRule& rule : rangeRules())
        if (setting == rule.setting)
            return rule.expected;
    return {};
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
