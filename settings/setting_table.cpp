#include "settings/setting_table.h"

#include "settings/number_text.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <type_traits>
#include <utility>

namespace {

const SettingRefusal kSet = std::nullopt;
const SettingRefusal kMalformed = std::string();

using S = const TrackingSettings&;
using Check = std::function<bool(const TrackingSettings&)>;

template <typename Real>
std::string shortest(Real v)
{
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    return std::string(text, end);
}

Setting entry(const char* name, SettingKind kind, const char* summary)
{
    Setting s;
    s.name = name;
    s.kind = kind;
    s.summary = summary;
    return s;
}

// A number in the words of a range, as printf's %g writes it.
std::string rangeNumber(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

std::string fromTo(double low, double high)
{
    return "a number from " + rangeNumber(low) + " to " + rangeNumber(high);
}

// A real number read into a setting of type Real: no negative zero, a
// negative value too small for the type still negative, and a value beyond
// a float's range an infinity: the range check refuses what is out of range.
template <typename Real>
Real stored(double v)
{
    if constexpr (std::is_same_v<Real, float>)
        if (std::fabs(v) > std::numeric_limits<float>::max())
            return std::copysign(std::numeric_limits<float>::infinity(), static_cast<float>(v > 0 ? 1 : -1));
    const Real r = static_cast<Real>(v);
    if (r == 0)
        return v < 0 ? -std::numeric_limits<Real>::denorm_min() : Real(0);
    return r;
}

// A number setting of the record, reached by `field(settings)`, within
// `range` (`expected` in words).
template <typename Field>
Setting number(const char* name, Field field, Check range, std::string expected, const char* summary)
{
    using Number = std::decay_t<decltype(field(std::declval<TrackingSettings&>()))>;
    Setting s = entry(name, std::is_same_v<Number, int> ? SettingKind::Integer : SettingKind::Real, summary);
    s.read = [field, range](TrackingSettings& settings, const std::string& text) -> SettingRefusal {
        if constexpr (std::is_same_v<Number, int>) {
            const auto wide = parseInt64(text);
            if (!wide)
                return kMalformed;
            // Beyond an int: the range judges the int's limit, and what it
            // takes is still refused.
            const int64_t kept = std::clamp<int64_t>(*wide, INT32_MIN, INT32_MAX);
            field(settings) = static_cast<int>(kept);
            if (kept != *wide && range(settings))
                return (kept > 0 ? "at most " : "at least ") + std::to_string(kept);
        } else {
            const auto v = parseFiniteDouble(text);
            if (!v)
                return kMalformed;
            field(settings) = stored<Number>(*v);
        }
        return kSet;
    };
    s.text = [field](S settings) { return settingText(field(settings)); };
    s.inRange = std::move(range);
    s.expected = std::move(expected);
    return s;
}

// A number setting from 0 to `high`.
template <typename Field>
Setting upTo(const char* name, Field field, double high, const char* summary)
{
    const Check range = [field, high](S s) { return field(s) >= 0.0 && field(s) <= high; };
    return number(name, field, range, fromTo(0, high), summary);
}

template <typename Field>
Setting flag(const char* name, Field field, const char* summary)
{
    Setting s = entry(name, SettingKind::Flag, summary);
    s.read = [field](TrackingSettings& settings, const std::string& text) -> SettingRefusal {
        if (!text.empty() && text != "on" && text != "off")
            return std::string("expected on or off");
        field(settings) = text != "off";
        return kSet;
    };
    s.text = [field](S settings) { return settingText(field(settings)); };
    return s;
}

// A setting that takes one of `words`, each standing for a value of the
// field; a value no word stands for reads as the first word.
template <typename Field, typename Value>
Setting words(const char* name, Field field, std::vector<std::pair<std::string, Value>> words, const char* summary)
{
    Setting s = entry(name, SettingKind::Word, summary);
    std::string expected = "expected ";
    for (size_t i = 0; i < words.size(); ++i)
        expected += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + words[i].first;
    s.read = [field, words, expected](TrackingSettings& settings, const std::string& text) -> SettingRefusal {
        for (const auto& [word, value] : words)
            if (text == word) {
                field(settings) = value;
                return kSet;
            }
        return expected;
    };
    s.text = [field, words](S settings) {
        for (const auto& [word, value] : words)
            if (field(settings) == value)
                return word;
        return words.front().first;
    };
    return s;
}

Setting hsvBins()
{
    Setting s = entry("hsv-bins", SettingKind::Integers, "bins of hue, saturation and brightness of the hsv model");
    s.read = [](TrackingSettings& settings, const std::string& text) -> SettingRefusal {
        const auto v = parseIntList(text, 3);
        if (!v)
            return kMalformed;
        ColourBinning& b = settings.colour.binning;
        b.hueBins = (*v)[0];
        b.saturationBins = (*v)[1];
        b.valueBins = (*v)[2];
        return kSet;
    };
    s.text = [](S settings) {
        const ColourBinning& b = settings.colour.binning;
        return settingText(b.hueBins) + "," + settingText(b.saturationBins) + "," + settingText(b.valueBins);
    };
    s.inRange = [](S settings) {
        const ColourBinning& b = settings.colour.binning;
        return b.hueBins >= 1 && b.saturationBins >= 1 && b.valueBins >= 1 &&
               static_cast<long>(b.hueBins) * b.saturationBins + b.valueBins <= kMaxColourBins;
    };
    s.expected = "H,S,V, each at least 1, with H * S + V <= " + std::to_string(kMaxColourBins);
    return s;
}

// 1 or 2 parts, or "auto": by the target's shape.
Setting parts()
{
    const auto field = [](auto& s) -> auto& { return s.colour.parts; };
    const Check range = [](S s) { return s.colour.parts == 1 || s.colour.parts == 2 || s.colour.parts == kPartsByShape; };
    Setting s = number("parts", field, range, "1, 2 or auto", "histograms per box: 1, 2 (upper and lower half) or by shape");
    s.read = [readNumber = s.read](TrackingSettings& settings, const std::string& text) -> SettingRefusal {
        if (text == "auto") {
            settings.colour.parts = kPartsByShape;
            return kSet;
        }
        const SettingRefusal refusal = readNumber(settings, text);
        // The number that stands for auto is not one of the parts.
        if (refusal == kSet && settings.colour.parts == kPartsByShape)
            return std::string("expected 1, 2 or auto");
        return refusal;
    };
    s.text = [](S settings) { return partsText(settings.colour.parts); };
    return s;
}

Setting surround()
{
    Setting s = entry("surround", SettingKind::Real, "weight of the colour surround of each box; unset: by rule");
    s.read = [](TrackingSettings& settings, const std::string& text) -> SettingRefusal {
        const auto v = parseFiniteDouble(text);
        if (!v)
            return kMalformed;
        settings.surround = stored<double>(*v);
        return kSet;
    };
    s.text = [](S settings) { return settings.surround ? settingText(*settings.surround) : ""; };
    s.inRange = [](S s) { return !s.surround || (*s.surround >= 0.0 && *s.surround <= kMaxSurroundWeight); };
    s.expected = fromTo(0, kMaxSurroundWeight);
    return s;
}

Setting scaleRange()
{
    Setting s = entry("scale-range", SettingKind::Reals, "the smallest and largest scale of a box");
    s.read = [](TrackingSettings& settings, const std::string& text) -> SettingRefusal {
        const auto comma = text.find(',');
        if (comma == std::string::npos)
            return kMalformed;
        const auto low = parseFiniteDouble(text.substr(0, comma));
        const auto high = parseFiniteDouble(text.substr(comma + 1));
        if (!low || !high)
            return kMalformed;
        settings.motion.minScale = stored<double>(*low);
        settings.motion.maxScale = stored<double>(*high);
        return kSet;
    };
    s.text = [](S settings) { return settingText(settings.motion.minScale) + "," + settingText(settings.motion.maxScale); };
    s.inRange = [](S s) {
        return s.motion.minScale > 0.0 && s.motion.minScale <= 1.0 && s.motion.maxScale >= 1.0 &&
               s.motion.maxScale <= kMaxScale;
    };
    s.expected = "LO,HI with 0 < LO <= 1 <= HI <= " + rangeNumber(kMaxScale);
    return s;
}

std::vector<Setting> samplingSettings()
{
    const Check samples = [](S s) { return targetsThatFit(s.tracking.samples) >= kStandardTargetCount; };
    const Check noise = [](S s) { return s.tracking.noise >= 0.0f && s.tracking.noise <= kMaxNoise; };
    const Check iterations = [](S s) { return s.tracking.iterations > 0 && s.tracking.iterations <= kMaxIterations; };
    const Check threads = [](S s) { return s.tracking.threads >= 1 && s.tracking.threads <= kMaxThreads; };
    return {
        number("samples", [](auto& s) -> auto& { return s.tracking.samples; }, samples,
               "a positive integer, at most " + std::to_string(kMaxStoreSlots / kStandardTargetCount) +
                   " (the sample store's share of one target)",
               "samples per target"),
        number("noise", [](auto& s) -> auto& { return s.tracking.noise; }, noise, "a finite number >= 0",
               "scale of the motion noise in x and y, in pixels"),
        number("iterations", [](auto& s) -> auto& { return s.tracking.iterations; }, iterations,
               "an integer from 1 to " + std::to_string(kMaxIterations) +
                   " (more would take over ten seconds a frame)",
               "iterations of the joint move per frame"),
        number("threads", [](auto& s) -> auto& { return s.tracking.threads; }, threads,
               "an integer from 1 to " + std::to_string(kMaxThreads),
               "threads for the per-target steps; the results do not depend on it"),
    };
}

std::vector<Setting> colourSettings()
{
    const auto level = [](auto field) {
        return Check([field](S s) { return field(s) >= 0 && field(s) <= 255; });
    };
    const auto minSaturation = [](auto& s) -> auto& { return s.colour.binning.minSaturation; };
    const auto minValue = [](auto& s) -> auto& { return s.colour.binning.minValue; };
    const Check sharpness = [](S s) { return s.colour.sharpness > 0.0 && s.colour.sharpness <= kMaxSharpness; };
    return {
        words("model", [](auto& s) -> auto& { return s.colour.space; },
              std::vector<std::pair<std::string, ColourSpace>>{{"hue", ColourSpace::Hue}, {"hsv", ColourSpace::Hsv}},
              "colour model: the hue histogram or hue x saturation and brightness bins"),
        hsvBins(),
        number("min-saturation", minSaturation, level(minSaturation), "an integer from 0 to 255",
               "the least saturation of a pixel binned by its hue"),
        number("min-value", minValue, level(minValue), "an integer from 0 to 255",
               "the least brightness of a pixel binned by its hue"),
        flag("normalise-light", [](auto& s) -> auto& { return s.colour.normaliseLight; },
             "brightness scaled to follow a light change of the whole scene"),
        flag("kernel", [](auto& s) -> auto& { return s.colour.kernel; },
             "pixels weighted by their distance from the box's centre"),
        parts(),
        number("sharpness", [](auto& s) -> auto& { return s.colour.sharpness; }, sharpness,
               "a number above 0 and at most " + rangeNumber(kMaxSharpness), "sharpness of the likelihood"),
        surround(),
    };
}

std::vector<Setting> foregroundAndAdaptation()
{
    return {
        upTo("foreground", [](auto& s) -> auto& { return s.colour.foregroundWeight; }, kMaxForegroundWeight,
             "weight of the foreground cue of a still camera; 0: off"),
        upTo("edges", [](auto& s) -> auto& { return s.colour.edgeWeight; }, kMaxEdgeWeight,
             "weight of the cue of edge orientations beside the colours; 0: off"),
        flag("ring-still-unknown", [](auto& s) -> auto& { return s.colour.background.ringCountsStillUnknown; },
             "the foreground ring also counts unseen background that looks as on the first frame"),
        flag("ring-still-while-still", [](auto& s) -> auto& { return s.colour.background.stillRuleWhileStill; },
             "ring-still-unknown holds only while some target stands where it started"),
        flag("ring-still-while-unmoved",
             [](auto& s) -> auto& { return s.colour.background.stillRuleWhileUnmoved; },
             "ring-still-unknown holds only until every first box shows that its object has left it"),
        flag("learn-revealed", [](auto& s) -> auto& { return s.colour.background.learnRevealed; },
             "unseen background under first boxes is learnt once the object has evidently left it"),
        flag("revealed-with-camera", [](auto& s) -> auto& { return s.colour.background.revealedWithCamera; },
             "learn-revealed's first boxes move with a camera that moves instead of being forgotten"),
        flag("work-near-targets", [](auto& s) -> auto& { return s.colour.background.nearTargets; },
             "the frame-wide work (background, colours) is done each frame only where the targets can reach"),
        flag("camera-judge-early", [](auto& s) -> auto& { return s.camera.motion.judgeEarly; },
             "auto judges the camera on its first estimates instead of waiting for a full window"),
        upTo("camera-drift", [](auto& s) -> auto& { return s.camera.motion.driftShift; }, kMaxCameraDrift,
             "pixels the camera's recent steps may add up to before it counts as moving"),
        words("camera-motion", [](auto& s) -> auto& { return s.camera.mode; },
              std::vector<std::pair<std::string, CameraMode>>{
                  {"still", CameraMode::Still}, {"moving", CameraMode::Moving}, {"auto", CameraMode::Auto}},
              "whether the camera's motion is estimated and followed"),
        upTo("adapt", [](auto& s) -> auto& { return s.adaptation.rate; }, 1.0,
             "rate at which references follow good estimates; 0: never"),
    };
}

std::vector<Setting> motionSettings()
{
    return {
        upTo("spread", [](auto& s) -> auto& { return s.motion.spread; }, 1.0,
             "share of samples proposed widely around the estimate"),
        upTo("spread-when-poor", [](auto& s) -> auto& { return s.motion.spreadWhenPoor; }, 1.0,
             "another share proposed so after a poor match"),
        flag("adaptive-noise", [](auto& s) -> auto& { return s.motion.adaptiveNoise; },
             "the motion noise grows while matches are poor"),
        upTo("damping", [](auto& s) -> auto& { return s.motion.damping; }, 1.0, "share of velocity lost per frame"),
        upTo("scale-noise", [](auto& s) -> auto& { return s.motion.scaleNoise; }, kMaxScaleNoise,
             "deviation of the walk of the log scale"),
        upTo("aspect-noise", [](auto& s) -> auto& { return s.motion.aspectNoise; }, kMaxScaleNoise,
             "deviation of an extra step on the height's log scale"),
        upTo("shape-noise", [](auto& s) -> auto& { return s.motion.shapeNoise; }, kMaxScaleNoise,
             "deviation of the walk of the box's shape at equal area"),
        upTo("scale-pull", [](auto& s) -> auto& { return s.motion.scalePull; }, 1.0,
             "share of the way to the typical size each frame"),
        scaleRange(),
    };
}

std::vector<Setting> lostAndFoundSettings()
{
    return {
        flag("lost-and-found", [](auto& s) -> auto& { return s.motion.lostAndFound; },
             "targets with poor matches are lost and searched for"),
        upTo("lost-similarity", [](auto& s) -> auto& { return s.motion.lostSimilarity; }, 1.0,
             "colour match above which a target is not lost"),
        words("confidence", [](auto& s) -> auto& { return s.confidence.kind; },
              std::vector<std::pair<std::string, ConfidenceKind>>{{"likelihood", ConfidenceKind::Likelihood},
                                                                   {"calibrated", ConfidenceKind::Calibrated}},
              "what the confidence says: the mean likelihood, or the chance that the box is right"),
        flag("keep-in-frame", [](auto& s) -> auto& { return s.motion.keepInFrame; },
             "every sample's box keeps half its area in the frame"),
        flag("core-neighbours", [](auto& s) -> auto& { return s.motion.coreNeighbours; },
             "neighbours by the cores of their sample clouds"),
        flag("fit-box", [](auto& s) -> auto& { return s.fit.enabled; }, "boxes fitted to the target's colours"),
        flag("fit-growth-guard", [](auto& s) -> auto& { return s.fit.guardGrowth; },
             "fitted boxes grow no further than what moves and the target's recent sizes support"),
        flag("join-ends-apart", [](auto& s) -> auto& { return s.fit.endJoinApart; },
             "a remembered join ends when the object is seen alone beside the estimate"),
        flag("coast-when-joined", [](auto& s) -> auto& { return s.motion.coastWhenJoined; },
             "no wide proposals while a look-alike is joined to the object"),
        flag("coast-while-matched", [](auto& s) -> auto& { return s.motion.coastWhileMatched; },
             "a joined target coasts only while its match is not poor"),
    };
}

std::vector<Setting> makeTable()
{
    std::vector<Setting> table;
    for (auto part : {samplingSettings, colourSettings, foregroundAndAdaptation, motionSettings,
                      lostAndFoundSettings}) {
        std::vector<Setting> settings = part();
        std::move(settings.begin(), settings.end(), std::back_inserter(table));
    }
    return table;
}

}  // namespace

const std::vector<Setting>& settingTable()
{
    static const std::vector<Setting> table = makeTable();
    return table;
}

const Setting* findSetting(const std::string& name)
{
    for (const Setting& s : settingTable())
        if (s.name == name)
            return &s;
    return nullptr;
}

std::vector<SettingName> settingNames()
{
    std::vector<SettingName> names;
    for (const Setting& s : settingTable())
        names.push_back({s.name, s.kind});
    return names;
}

std::optional<std::string> applySetting(TrackingSettings& settings, const std::string& name,
                                        const std::string& value)
{
    const Setting* setting = findSetting(name);
    if (!setting)
        return std::string("unknown setting");
    TrackingSettings changed = settings;
    if (SettingRefusal why = setting->read(changed, value))
        return why->empty() ? "expected " + setting->expected : *why;
    if (setting->inRange && !setting->inRange(changed))
        return "expected " + setting->expected;
    settings = changed;
    return kSet;
}

std::string settingText(int value) { return std::to_string(value); }
std::string settingText(bool value) { return value ? "on" : "off"; }
std::string settingText(float value) { return shortest(value); }
std::string settingText(double value) { return shortest(value); }

std::string settingValue(const TrackingSettings& settings, const std::string& name)
{
    const Setting* setting = findSetting(name);
    return setting ? setting->text(settings) : std::string();
}
