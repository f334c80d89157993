#include "cli/options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <set>
#include <sstream>
#include <type_traits>
#include <utility>

#ifndef TAVO_VERSION
#define TAVO_VERSION "unknown"
#endif

namespace tavo_cli {

std::optional<int64_t> parseInt64(const std::string& text)
{
    // from_chars takes no leading '+' or blanks and reports overflow; a
    // leading '+' is accepted here as people write it.
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-')
        ++first;
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || first == last)
        return std::nullopt;
    return value;
}

std::optional<int> parseInt(const std::string& text)
{
    const auto value = parseInt64(text);
    if (!value || *value < INT32_MIN || *value > INT32_MAX)
        return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<double> parseFiniteDouble(const std::string& text)
{
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-')
        ++first;
    double value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || first == last || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::vector<int>> parseIntList(const std::string& text, size_t count)
{
    std::vector<int> values;
    std::string::size_type start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        const auto value = parseInt(text.substr(start, comma - start));
        if (!value)
            return std::nullopt;
        values.push_back(*value);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (values.size() != count)
        return std::nullopt;
    return values;
}

std::optional<Box> parseBox(const std::string& text, std::string& why)
{
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (parts.size() != 4) {
        why = "expected four integers X,Y,W,H";
        return std::nullopt;
    }
    int v[4];
    static const char* const names[4] = {"X", "Y", "W", "H"};
    for (int i = 0; i < 4; ++i) {
        const auto value = parseInt(parts[i]);
        if (!value) {
            why = std::string(names[i]) + " is not an integer: '" + parts[i] + "'";
            return std::nullopt;
        }
        v[i] = *value;
    }
    if (v[2] <= 0 || v[3] <= 0) {
        why = "width and height must be positive";
        return std::nullopt;
    }
    const Box box{v[0], v[1], v[2], v[3]};
    if (const auto problem = boxRangeProblem(box)) {
        why = *problem;
        return std::nullopt;
    }
    return box;
}

namespace {

// Lines of --help are at most this wide; option texts start in this column.
constexpr size_t kHelpWidth = 79;
constexpr size_t kHelpColumn = 20;
// A space that --help does not break a line at.
constexpr char kNoBreak = '\x1f';

// The sections of --help, in order, each with its heading.
enum class Section {
    Input,
    Targets,
    Tracking,
    ColourModel,
    Foreground,
    Adaptation,
    Motion,
    LostAndFound,
    Outputs,
    Windows,
    General
};

struct SectionHeading {
    Section section;
    const char* heading;
};

const SectionHeading kSections[] = {
    {Section::Input, "Input:"},
    {Section::Targets, "Targets:"},
    {Section::Tracking, "Tracking:"},
    {Section::ColourModel,
     "Colour model, for real footage (default: each target's histogram of the hue alone, learnt once):"},
    {Section::Foreground, "Foreground, for a still camera:"},
    {Section::Adaptation, "Adaptation, for objects whose look changes:"},
    {Section::Motion,
     "Motion, for objects that turn, jump, stop or grow (default: none of it, constant velocity with random "
     "acceleration alone):"},
    {Section::LostAndFound, "Lost and found, for objects that are hidden:"},
    {Section::Outputs, "Outputs (default: none):"},
    {Section::Windows, "Windows:"},
    {Section::General, "General:"},
};

// What a setter says: nothing when the value was set, else why not.  An
// empty reason says the value is malformed: the message then gives what the
// library expects of the setting.
using Refusal = std::optional<std::string>;
const Refusal kSet = std::nullopt;
const Refusal kMalformed = std::string();

// One option: its names, its value's form, where --help lists it, how it
// is set and, for a tracking setting, how its value is read back.
struct Option {
    std::string name;        // "--quiet"; without the dashes, the library's name of the setting
    std::string shortName;   // "-q", or empty
    std::string value;       // the value's form in --help, e.g. "N"; empty: a flag
    Section section = Section::General;
    // Reads the value strictly (a flag gets an empty one) into the options.
    std::function<Refusal(Options&, const std::string&)> set;
    // For a tracking setting: its value in the settings, as the option
    // takes it ("on" or "off" for a flag).  Empty for the other options.
    std::function<std::string(const TrackingSettings&)> get;
    SettingKind kind = SettingKind::Word;  // of a tracking setting's value
    // In the help, "{range}" stands for what the library expects of the
    // setting and "{preset}" for robustPresetText().
    std::string help;
    // Said in place of "default V", V read from TrackingSettings{}.
    std::string defaultText;
    bool repeatable = false;  // else refused when given twice (a flag may repeat)
    ParseResult::Action action = ParseResult::Action::Run;  // Help, Version: at once

    bool takesValue() const { return !value.empty(); }
    std::string setting() const { return name.substr(2); }
};

// An option's names: "--name", or "-n" and "--name".
struct Names {
    Names(const char* longName) : name(longName) {}
    Names(const char* shortForm, const char* longName) : name(longName), shortName(shortForm) {}
    std::string name;
    std::string shortName;
};

Option option(Names names, std::string value, Section section, std::string help)
{
    Option o;
    o.name = std::move(names.name);
    o.shortName = std::move(names.shortName);
    o.value = std::move(value);
    o.section = section;
    o.help = std::move(help);
    return o;
}

// Numbers as the options take them: the shortest text that reads back as
// the same value.
std::string valueText(int v) { return std::to_string(v); }
std::string valueText(bool on) { return on ? "on" : "off"; }
template <typename Real>
std::string valueText(Real v)
{
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    return std::string(text, end);
}

// A real number read into a setting of type Real: no negative zero, a
// negative value too small for the type still negative, and a value beyond
// a float's range an infinity: the library refuses what is out of range.
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

std::optional<SettingProblem> problemOf(const TrackingSettings& settings, const std::string& setting)
{
    for (SettingProblem& problem : settingProblems(settings))
        if (problem.setting == setting)
            return std::move(problem);
    return std::nullopt;
}

Option flag(Names names, Section section, bool Options::*field, std::string help)
{
    Option o = option(std::move(names), "", section, std::move(help));
    o.set = [field](Options& options, const std::string&) {
        options.*field = true;
        return kSet;
    };
    return o;
}

// A setting of the record, reached by `field(settings)`.
template <typename Field>
Option settingFlag(Names names, Section section, Field field, std::string help)
{
    Option o = option(std::move(names), "", section, std::move(help));
    // The command line gives a flag no value; by name it is "on" or "off".
    o.set = [field](Options& options, const std::string& text) -> Refusal {
        if (!text.empty() && text != "on" && text != "off")
            return std::string("expected on or off");
        field(options.settings) = text != "off";
        return kSet;
    };
    o.get = [field](const TrackingSettings& s) { return valueText(field(s)); };
    o.kind = SettingKind::Flag;
    return o;
}

template <typename Field>
Option settingNumber(Names names, std::string value, Section section, Field field, std::string help)
{
    using Number = std::decay_t<decltype(field(std::declval<TrackingSettings&>()))>;
    Option o = option(std::move(names), std::move(value), section, std::move(help));
    o.set = [field, setting = o.setting()](Options& options, const std::string& text) -> Refusal {
        if constexpr (std::is_same_v<Number, int>) {
            const auto wide = parseInt64(text);
            if (!wide)
                return kMalformed;
            // Beyond an int: the library judges the int's limit, and what
            // it takes is still refused.
            const int64_t kept = std::clamp<int64_t>(*wide, INT32_MIN, INT32_MAX);
            field(options.settings) = static_cast<int>(kept);
            if (kept != *wide && !problemOf(options.settings, setting))
                return (kept > 0 ? "at most " : "at least ") + std::to_string(kept);
        } else {
            const auto v = parseFiniteDouble(text);
            if (!v)
                return kMalformed;
            field(options.settings) = stored<Number>(*v);
        }
        return kSet;
    };
    o.get = [field](const TrackingSettings& s) { return valueText(field(s)); };
    o.kind = std::is_same_v<Number, int> ? SettingKind::Integer : SettingKind::Real;
    return o;
}

Option file(Names names, std::string value, Section section, std::string Options::*field, std::string help)
{
    Option o = option(std::move(names), std::move(value), section, std::move(help));
    o.set = [field](Options& options, const std::string& text) -> Refusal {
        if (text.empty())
            return std::string("expected a file name");
        options.*field = text;
        return kSet;
    };
    return o;
}

// The picture's format follows from its name, and the error plot's name is
// made from it.
bool hasPngExtension(const std::string& name)
{
    const std::string::size_type n = name.size();
    if (n < 5 || name[n - 4] != '.')
        return false;
    std::string ext = name.substr(n - 3);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == "png";
}

// The surround's default follows a rule of the library: its weight with a
// scale walk and without one.
std::string surroundDefault()
{
    TrackingSettings walk;
    walk.motion.scaleNoise = 0.01;
    return "default " + valueText(surroundWeightFor(walk)) +
           " with --scale-noise or --aspect-noise and without --foreground, else " +
           valueText(surroundWeightFor(TrackingSettings{}));
}

std::vector<Option> makeTable()
{
    using S = Section;
    // The defaults of what no option sets, for the explanations.
    const TrackingSettings d;
    const MotionSettings& m = d.motion;
    std::vector<Option> t;

    Option camera = option("--camera", "N", S::Input,
                           "track what camera N (0: the first) films, instead of VIDEO, until Ctrl-C or --frames; "
                           "give the targets with --select (or --box)");
    camera.set = [](Options& o, const std::string& text) -> Refusal {
        const auto n = parseInt(text);
        // Digits alone, beyond even a 64-bit integer, are a number too large.
        const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
        if (!n && (parseInt64(text) > 0 || digits))
            return "at most " + std::to_string(INT32_MAX);
        if (!n || *n < 0)
            return std::string("expected a camera number, 0 or more");
        o.camera = *n;
        return kSet;
    };
    t.push_back(camera);
    Option start = option("--start", "N", S::Input,
                          "begin at frame N of the video (the frames before are read and skipped); frame numbers "
                          "in every output stay the video's, and --box and --select boxes are on frame N "
                          "(default 1)");
    start.set = [](Options& o, const std::string& text) -> Refusal {
        const auto n = parseInt(text);
        if (!n && parseInt64(text) > 0)
            return "at most " + std::to_string(INT32_MAX);
        if (!n || *n <= 0)
            return std::string("expected a positive integer");
        o.start = *n;
        return kSet;
    };
    t.push_back(start);

    Option box = option("--box", "X,Y,W,H", S::Targets,
                        "a target rectangle on the first frame tracked: top-left corner and size in pixels, W and H > 0; "
                        "repeat for more targets, which get the ids 1, 2, 3, ... in the order given");
    box.set = [](Options& o, const std::string& text) -> Refusal {
        std::string why;
        const auto b = parseBox(text, why);
        if (!b)
            return why;
        o.boxes.push_back(*b);
        return kSet;
    };
    box.repeatable = true;
    t.push_back(box);
    Option boxId = option("--box-id", "ID,X,Y,W,H", S::Targets,
                          "a target rectangle as with --box, with its own id ID > 0 (each id once); repeat for "
                          "more targets; not combined with --box");
    boxId.set = [](Options& o, const std::string& text) -> Refusal {
        const auto comma = text.find(',');
        const auto id = parseInt(text.substr(0, comma));
        if (comma == std::string::npos || !id || *id <= 0)
            return std::string("expected a positive id before the box: ID,X,Y,W,H");
        if (std::find(o.boxIds.begin(), o.boxIds.end(), *id) != o.boxIds.end())
            return "the id " + std::to_string(*id) + " is given twice";
        std::string why;
        const auto b = parseBox(text.substr(comma + 1), why);
        if (!b)
            return why;
        o.boxes.push_back(*b);
        o.boxIds.push_back(*id);
        return kSet;
    };
    boxId.repeatable = true;
    t.push_back(boxId);
    t.push_back(file("--targets", "FILE", S::Targets, &Options::targetsFile,
                     "the boxes of a MOTChallenge file (ground truth or detections): each id starts on its "
                     "first row at or after the first frame tracked (which must have boxes) and keeps its id; "
                     "boxes with id -1 count on that first frame alone and are numbered after the highest id; "
                     "a warning names rows of confidence 0"));
    t.push_back(flag("--demo-targets", S::Targets, &Options::demoTargets,
                     "the demo's nine targets, on any video (the demo's own, TAVO_DEMO.avi, gets them without "
                     "it)"));

    t.push_back(settingNumber("--samples", "N", S::Tracking, [](auto& s) -> auto& { return s.tracking.samples; },
                              "samples per target"));
    t.push_back(settingNumber("--noise", "S", S::Tracking, [](auto& s) -> auto& { return s.tracking.noise; },
                              "scale of the motion noise in x and y, {range} and at most the larger side of the "
                              "frame; 0 moves the samples by their velocity alone"));
    t.push_back(settingNumber("--iterations", "K", S::Tracking,
                              [](auto& s) -> auto& { return s.tracking.iterations; },
                              "iterations of the joint move per frame"));
    Option frames = option("--frames", "N", S::Tracking, "stop after N frames tracked, counted from --start (default: the whole video)");
    frames.set = [](Options& o, const std::string& text) -> Refusal {
        const auto n = parseInt(text);
        if (!n && parseInt64(text) > 0)
            return "at most " + std::to_string(INT32_MAX);
        if (!n || *n <= 0)
            return std::string("expected a positive integer");
        o.frames = *n;
        return kSet;
    };
    t.push_back(frames);
    t.push_back(settingNumber("--threads", "N", S::Tracking, [](auto& s) -> auto& { return s.tracking.threads; },
                              "threads for the per-target steps, {range}; the results are the same, bit for bit, "
                              "for every N"));
    Option seed = option("--seed", "T", S::Tracking,
                         "the random pools are seeded from a counter whose k-th read gives T + k, T any 64-bit "
                         "integer (default: T drawn from the system's entropy); the summary ends with \"seed T\", "
                         "so that --seed T repeats any run exactly");
    seed.set = [](Options& o, const std::string& text) -> Refusal {
        const auto v = parseInt64(text);
        if (!v)
            return std::string("expected a 64-bit integer");
        o.seed = *v;
        return kSet;
    };
    t.push_back(seed);
    t.push_back(flag("--robust", S::Tracking, &Options::robust,
                     "for real footage: the combination measured best on the scenes of make-scenes (grey, dark "
                     "and white objects, light changes, two-tone objects, clutter, fast turns, growing, hidden "
                     "and converging objects); options given explicitly override it, before or after it.  It "
                     "judges by itself whether the camera moves (--camera-motion auto).  It sets: {preset} --draw "
                     "boxes"));

    Option model = option("--model", "hue|hsv", S::ColourModel,
                          "hue: a histogram of the 8-bit hue alone.  hsv: pixels with enough saturation and "
                          "brightness go into hue x saturation bins, all others (grey, black, white, whose hue is "
                          "noise) into brightness bins");
    model.set = [](Options& o, const std::string& text) -> Refusal {
        if (text != "hue" && text != "hsv")
            return std::string("expected hue or hsv");
        o.settings.colour.space = text == "hue" ? ColourSpace::Hue : ColourSpace::Hsv;
        return kSet;
    };
    model.get = [](const TrackingSettings& s) { return s.colour.space == ColourSpace::Hsv ? "hsv" : "hue"; };
    t.push_back(model);
    Option bins = option("--hsv-bins", "H,S,V", S::ColourModel,
                         "bins of hue, saturation and brightness for --model hsv: {range}");
    bins.set = [](Options& o, const std::string& text) -> Refusal {
        const auto v = parseIntList(text, 3);
        if (!v)
            return kMalformed;
        ColourBinning& b = o.settings.colour.binning;
        b.hueBins = (*v)[0];
        b.saturationBins = (*v)[1];
        b.valueBins = (*v)[2];
        return kSet;
    };
    bins.get = [](const TrackingSettings& s) {
        const ColourBinning& b = s.colour.binning;
        return valueText(b.hueBins) + "," + valueText(b.saturationBins) + "," + valueText(b.valueBins);
    };
    bins.kind = SettingKind::Integers;
    t.push_back(bins);
    t.push_back(settingNumber("--min-saturation", "N", S::ColourModel,
                              [](auto& s) -> auto& { return s.colour.binning.minSaturation; },
                              "for --model hsv, {range}: a pixel less saturated is binned by its brightness "
                              "only"));
    t.push_back(settingNumber("--min-value", "N", S::ColourModel,
                              [](auto& s) -> auto& { return s.colour.binning.minValue; },
                              "for --model hsv, {range}: a pixel darker is binned by its brightness only"));
    t.push_back(settingFlag("--normalise-light", S::ColourModel,
                            [](auto& s) -> auto& { return s.colour.normaliseLight; },
                            "for --model hsv: brightness is scaled by the first frame's mean brightness over the "
                            "current frame's, so that a light change of the whole scene keeps grey pixels in "
                            "their bins"));
    t.push_back(settingFlag("--kernel", S::ColourModel, [](auto& s) -> auto& { return s.colour.kernel; },
                            "weight pixels by their distance from the box's centre (Epanechnikov), so that "
                            "background at the edges counts less"));
    Option parts = settingNumber(
        "--parts", "N|auto", S::ColourModel, [](auto& s) -> auto& { return s.colour.parts; },
        "{range}; 2: one histogram for the upper and one for the lower half of the box, for upright objects; "
        "auto: 2 for a target whose first box is at least " + valueText(kUprightAspect) +
            " times as tall as wide, else 1, and then the foreground cue (--foreground) weighs " +
            valueText(kOneBandForegroundGain) +
            " times as much: a round or wide object's halves differ by shading that turns with it, and its "
            "motion tells it better than its colours");
    const auto setPartsNumber = parts.set;
    parts.set = [setPartsNumber](Options& o, const std::string& text) -> Refusal {
        if (text != "auto") {
            const Refusal refusal = setPartsNumber(o, text);
            // The number that stands for auto is not one of the parts.
            if (refusal == kSet && o.settings.colour.parts == kPartsByShape)
                return std::string("expected 1, 2 or auto");
            return refusal;
        }
        o.settings.colour.parts = kPartsByShape;
        return kSet;
    };
    parts.get = [](const TrackingSettings& s) { return partsText(s.colour.parts); };
    t.push_back(parts);
    t.push_back(settingNumber("--sharpness", "L", S::ColourModel,
                              [](auto& s) -> auto& { return s.colour.sharpness; },
                              "the likelihood is exp(-L (1 - BC)), BC the Bhattacharyya coefficient, summed over "
                              "the parts; L {range}"));
    Option surround = option("--surround", "W", S::ColourModel,
                             "{range}: a ring around each box that looks like the object lowers the likelihood by "
                             "exp(-L W BC), so that boxes fit their objects");
    surround.set = [](Options& o, const std::string& text) -> Refusal {
        const auto v = parseFiniteDouble(text);
        if (!v)
            return kMalformed;
        o.settings.surround = stored<double>(*v);
        return kSet;
    };
    surround.get = [](const TrackingSettings& s) { return s.surround ? valueText(*s.surround) : ""; };
    surround.defaultText = surroundDefault();
    surround.kind = SettingKind::Real;
    t.push_back(surround);

    t.push_back(settingNumber(
        "--foreground", "W", S::Foreground, [](auto& s) -> auto& { return s.colour.foregroundWeight; },
        "{range}: a background is learnt from the frames (each pixel follows the frame at rate " +
            valueText(d.colour.background.rate) +
            " while no target is near it, and the whole of it follows a light change of the scene); pixels that "
            "differ from it by more than " +
            valueText(d.colour.background.threshold) +
            " in a channel are foreground.  The likelihood is lowered by exp(-L W ((1 - f) + r)), f the box's "
            "share of foreground pixels, r that of a ring around it, so that still look-alikes of a moving "
            "object do not draw its target and boxes fit what moves; 0: off"));
    t.push_back(settingFlag("--ring-still-unknown", S::Foreground,
                            [](auto& s) -> auto& { return s.colour.background.ringCountsStillUnknown; },
                            "with --foreground, the ring r also counts the pixels the background has never seen "
                            "(where targets stood on their first frame) that still look as then: a still "
                            "object's own pixels, so that a box inside a still object does not match as well as "
                            "one that fits it"));
    Option cameraMotion = option(
        "--camera-motion", "still|moving|auto", S::Foreground,
        "still: the camera is taken to stand still.  moving: the scene's motion from frame to frame is estimated "
        "(corners followed by optical flow outside the targets, a similarity fitted by RANSAC, on a copy of the "
        "frame at most " + std::to_string(kCameraFrameWidth) +
            " pixels wide) and, when the fit can be trusted, the samples and the learnt background move with "
            "it.  auto: estimated every frame, and followed while most recent trusted estimates shift the frame "
            "by more than " + valueText(CameraMotionSettings{}.movingShift) + " pixel");
    cameraMotion.set = [](Options& o, const std::string& text) -> Refusal {
        CameraMode& mode = o.settings.camera.mode;
        if (text == "still")
            mode = CameraMode::Still;
        else if (text == "moving")
            mode = CameraMode::Moving;
        else if (text == "auto")
            mode = CameraMode::Auto;
        else
            return std::string("expected still, moving or auto");
        return kSet;
    };
    cameraMotion.get = [](const TrackingSettings& s) {
        switch (s.camera.mode) {
        case CameraMode::Moving: return "moving";
        case CameraMode::Auto: return "auto";
        default: return "still";
        }
    };
    t.push_back(cameraMotion);

    t.push_back(settingNumber("--adapt", "A", S::Adaptation, [](auto& s) -> auto& { return s.adaptation.rate; },
                              "{range}: after each frame, reference = (1 - A) reference + A estimate, only while "
                              "the estimate matches the reference with BC >= " +
                                  valueText(d.adaptation.minSimilarity) +
                                  " and no other target's box overlaps it; 0: the reference never changes"));

    t.push_back(settingNumber("--spread", "F", S::Motion, [](auto& s) -> auto& { return s.motion.spread; },
                              "{range}: a share F of every target's samples is proposed around its estimate "
                              "with a wide random walk (deviation " +
                                  valueText(m.spreadRadius) + " of the box's larger side, velocity 0)"));
    t.push_back(settingNumber("--spread-when-poor", "F", S::Motion,
                              [](auto& s) -> auto& { return s.motion.spreadWhenPoor; },
                              "{range}: another share F proposed so in a frame after a poor match (see "
                              "--adaptive-noise), only when the object may have got away"));
    t.push_back(settingFlag("--adaptive-noise", S::Motion, [](auto& s) -> auto& { return s.motion.adaptiveNoise; },
                            "the motion noise grows " + valueText(m.noiseGrowth) + " times a frame, up to " +
                                valueText(m.maxNoiseGain) + " times --noise, while the best match falls below " +
                                valueText(m.poorMatch) +
                                " of the target's typical best (a running mean) or the effective sample size "
                                "below " +
                                valueText(m.poorSampleShare) + " of the samples; it shrinks " +
                                valueText(m.noiseDecay) + " times a frame back to --noise when the match is good"));
    t.push_back(settingNumber("--damping", "D", S::Motion, [](auto& s) -> auto& { return s.motion.damping; },
                              "{range}: velocities shrink by (1 - D) every frame"));
    t.push_back(settingNumber("--scale-noise", "S", S::Motion, [](auto& s) -> auto& { return s.motion.scaleNoise; },
                              "{range}: a random walk of deviation S on the log of each sample's scale, both axes "
                              "together; boxes then change size in every output"));
    t.push_back(settingNumber("--aspect-noise", "S", S::Motion,
                              [](auto& s) -> auto& { return s.motion.aspectNoise; },
                              "{range}: an extra step on the height's scale alone"));
    t.push_back(settingNumber("--shape-noise", "S", S::Motion, [](auto& s) -> auto& { return s.motion.shapeNoise; },
                              "{range}: a walk of the box's shape that keeps its area (the log of the width "
                              "changes by -S z / 2, that of the height by +S z / 2, z a normal step), so that a "
                              "box turns from tall to wide as a thin object tilts over"));
    t.push_back(settingNumber("--scale-pull", "F", S::Motion, [](auto& s) -> auto& { return s.motion.scalePull; },
                              "{range}: with a scale walk, each frame every sample's log scale first moves this "
                              "share of the way toward the size of the target's good frames (a running mean), "
                              "so that a still object keeps its size; growth that matches better wins over it"));
    Option range = option("--scale-range", "LO,HI", S::Motion, "the scales allowed: {range}");
    range.set = [](Options& o, const std::string& text) -> Refusal {
        const auto comma = text.find(',');
        if (comma == std::string::npos)
            return kMalformed;
        const auto low = parseFiniteDouble(text.substr(0, comma));
        const auto high = parseFiniteDouble(text.substr(comma + 1));
        if (!low || !high)
            return kMalformed;
        o.settings.motion.minScale = stored<double>(*low);
        o.settings.motion.maxScale = stored<double>(*high);
        return kSet;
    };
    range.get = [](const TrackingSettings& s) {
        return valueText(s.motion.minScale) + "," + valueText(s.motion.maxScale);
    };
    range.kind = SettingKind::Reals;
    t.push_back(range);

    t.push_back(settingFlag(
        "--lost-and-found", S::LostAndFound, [](auto& s) -> auto& { return s.motion.lostAndFound; },
        "a target whose best match stays below " + valueText(m.lostMatch) + " of its typical best for " +
            valueText(m.lostAfterFrames) + " frames is lost: a share " + valueText(m.lostSpread) +
            " of its samples searches around its last good position, farther every frame, away from other "
            "targets, until a match of " +
            valueText(m.foundMatch) +
            " of the typical finds it.  While it is lost its box stays where it was last seen (in the "
            "estimates, the drawing and the scores, where it counts as not found) and the MOT file has no line "
            "of it.  The MOT file's conf column holds each target's confidence, the weighted mean likelihood of "
            "its samples (0..1, 4 decimals)"));
    t.push_back(settingNumber("--lost-similarity", "B", S::LostAndFound,
                              [](auto& s) -> auto& { return s.motion.lostSimilarity; },
                              "{range}: with --lost-and-found and a colour model other than the hue histogram, a "
                              "poor match counts toward losing a target only while the colours at its estimate "
                              "match its reference by less than B (Bhattacharyya coefficient): other cues can fail "
                              "while the object is in view; 0: the match alone decides"));
    t.push_back(settingFlag("--keep-in-frame", S::LostAndFound, [](auto& s) -> auto& { return s.motion.keepInFrame; },
                            "every sample's box keeps at least half its area in the frame, so that an estimate "
                            "never drifts off the frame; a target whose object left waits at the edge, lost"));
    t.push_back(settingFlag(
        "--core-neighbours", S::LostAndFound, [](auto& s) -> auto& { return s.motion.coreNeighbours; },
        "targets are neighbours (linked, and kept apart by the joint move) when the cores of their sample "
        "clouds overlap (two weighted standard deviations and half the box around the weighted mean), not "
        "their whole clouds, which wide proposals spread over the frame"));

    t.push_back(settingFlag(
        "--fit-box", S::LostAndFound, [](auto& s) -> auto& { return s.fit.enabled; },
        "every output reports each target's box fitted to its colours: the upright box of the connected patch "
        "of pixels of the target's colours (that differ from the learnt background, with --foreground) "
        "touching its estimate's box, so that the box follows an object that turns or lies down; the "
        "estimate's own box when the patch is under 0.6 or over 1.5 times the target's typical pixel count "
        "(part of it hidden, or a look-alike joined to it).  Needs no other option: without --model hsv the "
        "patch is of the hue histogram's colours"));

    t.push_back(settingFlag(
        "--coast-when-joined", S::LostAndFound, [](auto& s) -> auto& { return s.motion.coastWhenJoined; },
        "with --fit-box: while the patch of a target's colours is over 1.5 times its typical count or "
        "reaches 1 box size from its centre (a look-alike is joined to the object), and for 8 frames after, "
        "the target makes no wide proposals (--spread, --spread-when-poor), which would land on the "
        "look-alike as often as on its object"));

    t.push_back(file("--mot", "FILE", S::Outputs, &Options::motFile,
                     "MOTChallenge results, frame,id,x,y,w,h,1,-1,-1,-1: each target's estimate with two "
                     "decimals, w = base width x scale_x, h = base height x scale_y, x = pos_x - w/2, y = pos_y - "
                     "h/2 (earlier builds wrote the drawing's whole-pixel rectangle, often a pixel smaller); no "
                     "line for a target while it is lost (--lost-and-found)"));
    t.push_back(file("--estimates", "FILE", S::Outputs, &Options::estimatesFile,
                     "CSV of the estimates, frame,id,pos_x,pos_y,vel_x,vel_y,scale_x,scale_y"));
    t.push_back(file("--video", "FILE", S::Outputs, &Options::videoFile,
                     "the annotated frames at the input's frame rate (25 frames/s when the input declares "
                     "none or one slower than 0.01 frames/s), their codec by the extension: .mp4, .m4v and .mov "
                     "H.264, which browsers play (refused before tracking where OpenCV's FFmpeg has no H.264 "
                     "encoder); .avi and any other MJPG.  Frames narrower than 8 pixels or lower than 2 (4x4 "
                     "for H.264) are refused before tracking"));
    Option draw = option("--draw", "boxes|samples|design", S::Outputs,
                         "how --video and --show draw the targets: boxes, each target's box in its own colour "
                         "with its id (and confidence, with --lost-and-found) on a label, dashed where it was last "
                         "seen while it is lost, and the path of its centre over the last 20 frames; samples, the "
                         "boxes over each target's samples, drawn faintly; design, the tracker's own drawing: every "
                         "sample's outline in red, the estimates in black, links between neighbours, id labels");
    draw.set = [](Options& o, const std::string& text) -> Refusal {
        const auto style = drawingStyleNamed(text);
        if (!style)
            return std::string("expected boxes, samples or design");
        o.drawing = *style;
        return kSet;
    };
    draw.defaultText = "default design, boxes with --robust";
    t.push_back(draw);
    t.push_back(file("--gt", "FILE", S::Outputs, &Options::gtFile,
                     "score the run against MOTChallenge ground truth (each target against the object of its "
                     "id) and print the report: centre errors in pixels, success rate (overlap >= 0.5), identity "
                     "confusions, and CLEAR-MOT MOTA, MOTP (mean overlap of the matched pairs) and ID switches; "
                     "warnings name ids no target has and boxes without area"));
    Option plot = file("--plot", "FILE.png", S::Outputs, &Options::plotFile,
                       "a picture of every target's path over the first frame; with --gt also FILE-errors.png, "
                       "the centre error and the overlap with the ground truth of every target over the frames");
    plot.set = [setFile = plot.set](Options& o, const std::string& text) -> Refusal {
        if (!text.empty() && !hasPngExtension(text))
            return std::string("the picture is a PNG file, its name ends in .png");
        return setFile(o, text);
    };
    t.push_back(plot);
    t.push_back(flag({"-q", "--quiet"}, S::Outputs, &Options::quiet,
                     "no progress line (see --progress) and no summary; errors, warnings and the --gt report are still printed"));
    t.push_back(flag("--print-seed", S::Outputs, &Options::printSeed, "print \"seed T\" also with --quiet"));
    const auto progress = [](const char* name, bool shown, const char* help) {
        Option o = option(name, "", S::Outputs, help);
        o.set = [shown](Options& options, const std::string&) {
            options.progress = shown;
            return kSet;
        };
        return o;
    };
    t.push_back(progress("--progress", true,
                         "show the progress on stderr, also with --quiet (default unless --quiet): on a "
                         "terminal one line that keeps changing, otherwise (a log file, a pipe) a plain line "
                         "every 10 s"));
    t.push_back(progress("--no-progress", false, "no progress line"));

    t.push_back(flag("--select", S::Windows, &Options::select,
                     "drag more target rectangles with the mouse on the first frame, after those of --box or "
                     "--targets: Space or Enter keeps the rectangle, c drops it (or the last one kept), Escape "
                     "(or Enter with no rectangle drawn) starts the tracking; new targets take the ids after the "
                     "highest, and the run's boxes are printed as --box options on stderr (--box-id when the ids "
                     "are not 1, 2, 3, ...)"));
    t.push_back(flag("--show", S::Windows, &Options::show,
                     "show the tracking in a window while it runs: Space pauses and resumes, Escape or closing "
                     "the window stops the run (the results so far are kept); a display that goes away ends "
                     "the run as SIGHUP would (exit status 129), the results so far kept.  The band below the "
                     "frame gives its number; at the end the last frame stays until a key or the window is "
                     "closed (the results are written by then).  Windows larger than the screen are scaled "
                     "down, tiny videos scaled up"));
    Option speed = option("--show-speed", "video|max", S::Windows,
                          "how fast --show plays: video, no faster than the input's frame rate (25 frames/s "
                          "when it declares none); max, each frame as soon as it is tracked");
    speed.set = [](Options& o, const std::string& text) -> Refusal {
        if (text != "video" && text != "max")
            return std::string("expected video or max");
        o.showAsFastAsTracked = text == "max";
        return kSet;
    };
    speed.defaultText = "default video";
    t.push_back(speed);

    Option help = option({"-h", "--help"}, "", S::General, "print this text");
    help.action = ParseResult::Action::Help;
    t.push_back(help);
    Option version = option("--version", "", S::General, "print the version");
    version.action = ParseResult::Action::Version;
    t.push_back(version);
    return t;
}

const std::vector<Option>& table()
{
    static const std::vector<Option> options = makeTable();
    return options;
}

const Option* findOption(const std::string& name)
{
    for (const Option& o : table())
        if (name == o.name || (!o.shortName.empty() && name == o.shortName))
            return &o;
    return nullptr;
}

// The option's value set into the options: nothing, or why not (what the
// library expects, for a value malformed or out of range).
Refusal setValue(const Option& option, Options& options, const std::string& value)
{
    const std::string setting = option.setting();
    if (Refusal why = option.set(options, value))
        return why->empty() ? "expected " + expectedValue(setting) : *why;
    if (const auto problem = problemOf(options.settings, setting))
        return "expected " + problem->expected;
    return kSet;
}

// The option of a tracking setting by the setting's name.
const Option* findSetting(const std::string& name)
{
    const Option* option = findOption("--" + name);
    return option && option->get ? option : nullptr;
}

// Words of `text` in lines of at most `width` columns, each indented by
// `indent` spaces; the first line starts with `first` instead (as long).
std::string wrapped(const std::string& text, size_t indent, size_t width, std::string first = {})
{
    std::istringstream words(text);
    std::string out, line, word;
    std::string prefix = first.empty() ? std::string(indent, ' ') : std::move(first);
    while (words >> word) {
        if (!line.empty() && indent + line.size() + 1 + word.size() > width) {
            out += prefix + line + "\n";
            prefix = std::string(indent, ' ');
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty())
        out += prefix + line + "\n";
    std::replace(out.begin(), out.end(), kNoBreak, ' ');
    return out;
}

std::string replaced(std::string text, const std::string& what, const std::string& by)
{
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + by.size()))
        text.replace(at, what.size(), by);
    return text;
}

// An option's entry in --help: its names and value on the left, its text
// (with its default) beside them, or below them when they are too long.
std::string helpEntry(const Option& o, const TrackingSettings& defaults)
{
    std::string text = replaced(o.help, "{range}", expectedValue(o.setting()));
    text = replaced(text, "{preset}", robustPresetText());
    if (!o.defaultText.empty())
        text += " (" + o.defaultText + ")";
    else if (o.get && o.takesValue())
        text += std::string(" (default") + kNoBreak + o.get(defaults) + ")";

    std::string label = "  " + (o.shortName.empty() ? "" : o.shortName + ", ") + o.name;
    if (o.takesValue())
        label += " " + o.value;
    if (label.size() + 2 > kHelpColumn)
        return label + "\n" + wrapped(text, kHelpColumn, kHelpWidth);
    return wrapped(text, kHelpColumn, kHelpWidth, label + std::string(kHelpColumn - label.size(), ' '));
}

ParseResult usageError(std::string message)
{
    ParseResult r;
    r.action = ParseResult::Action::UsageError;
    r.error = std::move(message);
    return r;
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }

bool isDemoVideo(const Options& o)
{
    const auto slash = o.video.find_last_of('/');
    return !o.camera && o.video.substr(slash == std::string::npos ? 0 : slash + 1) == kDemoVideoName;
}

// A run that names no targets: only the demo's video has targets of its own.
std::optional<std::string> missingTargets(const Options& o)
{
    if (!o.boxes.empty() || !o.targetsFile.empty() || o.select || o.demoTargets || isDemoVideo(o))
        return std::nullopt;
    const std::string input = o.camera ? "--camera " + std::to_string(*o.camera) : quoted(o.video);
    return input + ": no targets given: name them with --box, --targets or --select (--demo-targets tracks "
                   "the demo's nine)";
}

}  // namespace

std::string robustPresetText()
{
    const TrackingSettings defaults;
    const TrackingSettings robust = robustSettings();
    std::string text;
    for (const Option& o : table()) {
        if (!o.get || o.get(robust) == o.get(defaults))
            continue;
        text += (text.empty() ? "" : " ") + o.name;
        if (o.takesValue())
            text += " " + o.get(robust);
    }
    return text;
}

std::vector<SettingName> settingNames()
{
    std::vector<SettingName> names;
    for (const Option& o : table())
        if (o.get)
            names.push_back({o.setting(), o.kind});
    return names;
}

std::optional<std::string> applySetting(TrackingSettings& settings, const std::string& name,
                                        const std::string& value)
{
    const Option* option = findSetting(name);
    if (!option)
        return std::string("unknown setting");
    Options options;
    options.settings = settings;
    if (Refusal why = setValue(*option, options, value))
        return why;
    settings = options.settings;
    return kSet;
}

std::string settingValue(const TrackingSettings& settings, const std::string& name)
{
    const Option* option = findSetting(name);
    return option ? option->get(settings) : std::string();
}

std::vector<OptionName> optionNames()
{
    std::vector<OptionName> names;
    for (const Option& o : table())
        names.push_back({o.name, o.shortName, o.takesValue()});
    return names;
}

ParseResult parseOptions(int argc, const char* const* argv)
{
    ParseResult result;
    Options& o = result.options;
    bool videoGiven = false;
    bool optionsEnded = false;
    std::set<const Option*> given;
    // The settings given, in order, to be set again over the preset.
    std::vector<std::pair<const Option*, std::string>> settingsGiven;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] ? argv[i] : "";
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (arg.empty())
                return usageError("the video file name is empty");
            if (videoGiven)
                return usageError("unexpected argument " + quoted(arg) + ": only one video can be given");
            o.video = arg;
            videoGiven = true;
            continue;
        }

        // "--name=value" or "--name value".
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (arg.rfind("--", 0) == 0) {
            const auto eq = arg.find('=');
            if (eq != std::string::npos) {
                name = arg.substr(0, eq);
                inlineValue = arg.substr(eq + 1);
            }
        }
        const Option* option = findOption(name);
        if (!option)
            return usageError("unknown option " + quoted(name));

        std::string value;
        if (!option->takesValue()) {
            if (inlineValue)
                return usageError("option " + name + " takes no value");
        } else if (inlineValue) {
            value = *inlineValue;
        } else {
            if (i + 1 >= argc)
                return usageError("option " + name + " needs a value");
            value = argv[++i] ? argv[i] : "";
        }
        if (option->action != ParseResult::Action::Run) {
            result.action = option->action;
            return result;
        }
        if (!given.insert(option).second && option->takesValue() && !option->repeatable)
            return usageError("option " + name + " is given more than once");

        if (const Refusal why = setValue(*option, o, value))
            return usageError(name + " " + quoted(value) + ": " + *why);
        if (option->get)
            settingsGiven.emplace_back(option, value);
    }

    if (o.robust) {
        Options preset;
        preset.settings = robustSettings();
        for (const auto& [option, value] : settingsGiven)
            option->set(preset, value);  // accepted above
        o.settings = preset.settings;
        if (!given.count(findOption("--draw")))
            o.drawing = DrawingStyle::Boxes;  // the preset's drawing, unless --draw says otherwise
    }
    for (const SettingProblem& problem : settingProblems(o.settings))
        return usageError("--" + problem.setting + " " + quoted(problem.value) + ": expected " + problem.expected);

    if (!o.boxIds.empty() && o.boxIds.size() != o.boxes.size())
        return usageError("--box and --box-id cannot be combined");
    if (!o.boxes.empty() && !o.targetsFile.empty())
        return usageError(std::string(o.boxIds.empty() ? "--box" : "--box-id") + " and --targets cannot be combined");
    if (o.demoTargets && (!o.boxes.empty() || !o.targetsFile.empty()))
        return usageError("--demo-targets cannot be combined with --box or --targets");
    if (o.camera && videoGiven)
        return usageError("--camera " + std::to_string(*o.camera) + " and the video " + quoted(o.video) +
                          " cannot be combined: one input at a time");
    if (const auto missing = missingTargets(o))
        return usageError(*missing);
    const int samples = o.settings.tracking.samples;
    const int64_t fit = targetsThatFit(samples);
    if (static_cast<int64_t>(o.boxes.size()) > fit)
        return usageError(std::to_string(o.boxes.size()) + " targets given, but with --samples " +
                          std::to_string(samples) + " at most " + std::to_string(fit) + " fit in the sample store");
    return result;
}

std::string usageText()
{
    const TrackingSettings defaults;
    std::string s = "Usage: tavo-track [VIDEO] [options]\n\n" +
                    wrapped("Tracks targets through a video with the TAVO multi-target particle filter, without a "
                            "window unless --select or --show asks for one.  VIDEO defaults to " +
                                Options{}.video +
                                ".  The targets are given with --box, --targets or --select; the demo's video "
                                "(a file named " +
                                kDemoVideoName +
                                ") needs none of them: its nine targets are tracked, so that tavo-track alone "
                                "runs the demo headless.",
                            0, kHelpWidth);
    for (const SectionHeading& section : kSections) {
        s += "\n" + wrapped(section.heading, 0, kHelpWidth);
        for (const Option& o : table())
            if (o.section == section.section)
                s += helpEntry(o, defaults);
    }
    const std::string limit = std::to_string(kMaxBoxCoordinate);
    for (const std::string& paragraph : {
             "Boxes are read and written in pixels of the frame, column 0 and row 0 first, within -" + limit +
                 " and " + limit +
                 ".  Result files, the pictures included, are written under temporary names beside them and "
                 "replace earlier files of their names, all together, only when the run succeeds, is interrupted "
                 "after its first frame or stops at a frame of another size; an earlier file that is write-protected (no write permission bit) is "
                 "refused before the run starts, as the shell's > refuses it.  "
                 "Up to " +
                 std::to_string(kStandardTargetCount) +
                 " targets, the sample store is sized as in the demo; more are accepted while samples times "
                 "targets stays within " +
                 std::to_string(kMaxStoreSlots) + ".",
             std::string("VIDEO is a video file, a numbered image sequence (seq/img%04d.png, printf's "
                         "numbering), a folder of images (png, jpg, bmp, tif, ppm, webp, ...: in natural order, "
                         "img2 before img10, at 25 frames/s) or a MOTChallenge sequence folder (img1/ and "
                         "seqinfo.ini, whose frameRate is used), never one of FFmpeg's "
                         "protocols: file:x.avi is the file of that name.  Frames of a video file that change "
                         "size are not seen as such: OpenCV's FFmpeg reader keeps the first frame's size, gives "
                         "a frame that grows as the last frame of that size again and one that shrinks "
                         "distorted, and the run goes on; an image sequence stops at a frame of another size."),
             std::string("--select and --show need a display."),
             std::string("Ctrl-C (SIGINT), SIGTERM or a hangup (SIGHUP) stops the run at once, even inside a "
                         "long frame: the result files keep every frame tracked before it, complete, and nothing "
                         "of the unfinished one.  A second one, SIGQUIT, the CPU time limit or another signal that "
                         "ends a process (SIGUSR1, SIGALRM, ...) ends it at once and removes its temporary files; "
                         "those of a run killed outright are removed by the next run writing into their folder."),
             std::string("Exit status: 0 success (warnings go to stderr; also when stopped from the window), 1 "
                         "run-time error (video, files, standard output, a frame of another size), 2 usage error "
                         "(also a run that needs more memory than the machine has, no display for a window, no "
                         "target selected, a write-protected result file), 130 or 143 after SIGINT or SIGTERM, 129 "
                         "after SIGHUP."),
         })
        s += "\n" + wrapped(paragraph, 0, kHelpWidth);
    return s;
}

std::string versionText() { return std::string("tavo-track ") + TAVO_VERSION + "\n"; }

}  // namespace tavo_cli
