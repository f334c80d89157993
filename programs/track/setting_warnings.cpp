#include "programs/track/setting_warnings.h"

namespace tavo_cli {

namespace {

bool sameBins(const ColourBinning& a, const ColourBinning& b)
{
    return a.hueBins == b.hueBins && a.saturationBins == b.saturationBins && a.valueBins == b.valueBins;
}

// Settings of the hsv model given with the hue model.
void warnAboutHsvSettings(const ColourModelSettings& given, const ColourModelSettings& base,
                          std::vector<std::string>& warnings)
{
    if (given.space != ColourSpace::Hue)
        return;
    const auto needsHsv = [&](const char* option) {
        warnings.push_back(std::string(option) + " does nothing with --model hue: it needs --model hsv");
    };
    if (!sameBins(given.binning, base.binning))
        needsHsv("--hsv-bins");
    if (given.binning.minSaturation != base.binning.minSaturation)
        needsHsv("--min-saturation");
    if (given.binning.minValue != base.binning.minValue)
        needsHsv("--min-value");
    if (given.normaliseLight && !base.normaliseLight)
        needsHsv("--normalise-light");
}

// A scale range or pull given without a scale walk: boxes keep their size.
void warnAboutScaleRange(const MotionSettings& given, const MotionSettings& base,
                         std::vector<std::string>& warnings)
{
    const bool scaleWalk = given.scaleWalk();
    if (!scaleWalk && (given.minScale != base.minScale || given.maxScale != base.maxScale))
        warnings.push_back("--scale-range does nothing without a scale walk: it needs --scale-noise, "
                           "--aspect-noise or --shape-noise above 0");
    if (!scaleWalk && given.scalePull != base.scalePull && given.scalePull > 0.0)
        warnings.push_back("--scale-pull does nothing without a scale walk: it needs --scale-noise, "
                           "--aspect-noise or --shape-noise above 0");
}

}  // namespace

std::vector<std::string> settingWarnings(const Options& options)
{
    const TrackingSettings base = options.robust ? robustSettings() : TrackingSettings();
    std::vector<std::string> warnings;
    warnAboutHsvSettings(options.settings.colour, base.colour, warnings);
    warnAboutScaleRange(options.settings.motion, base.motion, warnings);
    if (options.settings.motion.coastWhenJoined && !options.settings.fit.enabled)
        warnings.push_back("--coast-when-joined does nothing without --fit-box, which tells when a look-alike "
                           "joins a target's object");
    if (options.settings.motion.coastWhileMatched && !options.settings.motion.coastWhenJoined)
        warnings.push_back("--coast-while-matched does nothing without --coast-when-joined, whose coasting it stops");
    if (options.settings.fit.guardGrowth && !options.settings.fit.enabled)
        warnings.push_back("--fit-growth-guard does nothing without --fit-box, whose fitted boxes it holds back");
    if (options.settings.fit.endJoinApart && !options.settings.fit.enabled)
        warnings.push_back("--join-ends-apart does nothing without --fit-box, whose joins it ends");
    const BackgroundSettings& background = options.settings.colour.background;
    if (background.stillRuleWhileStill && !background.ringCountsStillUnknown)
        warnings.push_back("--ring-still-while-still does nothing without --ring-still-unknown, the rule it stops");
    if (background.stillRuleWhileUnmoved && !background.ringCountsStillUnknown)
        warnings.push_back("--ring-still-while-unmoved does nothing without --ring-still-unknown, the rule it stops");
    else if (background.stillRuleWhileUnmoved && !background.learnRevealed)
        warnings.push_back("--ring-still-while-unmoved stops --ring-still-unknown at once without --learn-revealed, "
                           "which watches the first boxes");
    if (background.learnRevealed && options.settings.colour.foregroundWeight <= 0.0)
        warnings.push_back("--learn-revealed does nothing without --foreground, whose background it learns");
    if (background.revealedWithCamera && !background.learnRevealed)
        warnings.push_back("--revealed-with-camera does nothing without --learn-revealed, whose first boxes it moves");
    if (options.settings.camera.motion.judgeEarly && options.settings.camera.mode != CameraMode::Auto)
        warnings.push_back("--camera-judge-early does nothing without --camera-motion auto, whose judgement it makes");
    if (options.settings.camera.motion.driftShift > 0.0 && options.settings.camera.mode != CameraMode::Auto)
        warnings.push_back("--camera-drift does nothing without --camera-motion auto, whose judgement it makes");
    if (background.nearTargets && options.settings.colour.foregroundWeight <= 0.0)
        warnings.push_back("--work-near-targets does nothing without --foreground, whose background it compares");
    return warnings;
}

}  // namespace tavo_cli
