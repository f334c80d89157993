#include "cli/options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <set>
#include <sstream>

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

std::string robustPresetText()
{
    std::ostringstream s;
    s << "--model hsv";
    if (kRobustNormaliseLight)
        s << " --normalise-light";
    if (kRobustKernel)
        s << " --kernel";
    s << " --parts " << kRobustParts << " --sharpness " << kRobustSharpness << " --adapt " << kRobustAdaptRate;
    if (kRobustForegroundWeight > 0)
        s << " --foreground " << kRobustForegroundWeight;
    if (kRobustSpread > 0)
        s << " --spread " << kRobustSpread;
    if (kRobustSpreadWhenPoor > 0)
        s << " --spread-when-poor " << kRobustSpreadWhenPoor;
    if (kRobustAdaptiveNoise)
        s << " --adaptive-noise";
    if (kRobustDamping > 0)
        s << " --damping " << kRobustDamping;
    if (kRobustScaleNoise > 0)
        s << " --scale-noise " << kRobustScaleNoise;
    if (kRobustLostAndFound)
        s << " --lost-and-found";
    return s.str();
}

void applyRobustPreset(Options& o, const std::set<std::string>& given)
{
    const auto unless = [&given](const char* option) { return given.count(option) == 0; };
    if (unless("--model"))
        o.colour.space = ColourSpace::Hsv;
    if (unless("--normalise-light"))
        o.colour.normaliseLight = kRobustNormaliseLight;
    if (unless("--kernel"))
        o.colour.kernel = kRobustKernel;
    if (unless("--parts"))
        o.colour.parts = kRobustParts;
    if (unless("--sharpness"))
        o.colour.sharpness = kRobustSharpness;
    if (unless("--adapt"))
        o.adaptation.rate = kRobustAdaptRate;
    if (unless("--foreground"))
        o.colour.foregroundWeight = kRobustForegroundWeight;
    if (unless("--spread"))
        o.motion.spread = kRobustSpread;
    if (unless("--spread-when-poor"))
        o.motion.spreadWhenPoor = kRobustSpreadWhenPoor;
    if (unless("--adaptive-noise"))
        o.motion.adaptiveNoise = kRobustAdaptiveNoise;
    if (unless("--damping"))
        o.motion.damping = kRobustDamping;
    if (unless("--scale-noise"))
        o.motion.scaleNoise = kRobustScaleNoise;
    if (unless("--lost-and-found"))
        o.motion.lostAndFound = kRobustLostAndFound;
}

std::optional<std::string> boxRangeProblem(const Box& b)
{
    const auto outside = [](int64_t v) { return v < -kMaxBoxCoordinate || v > kMaxBoxCoordinate; };
    if (outside(b.x) || outside(b.y) || outside(int64_t{b.x} + b.width) || outside(int64_t{b.y} + b.height))
        return "the rectangle reaches beyond " + std::to_string(kMaxBoxCoordinate) +
               " pixels from column 0 or row 0, the largest coordinate the tracker keeps exactly";
    // The tracker keeps a rectangle's area in a 32-bit int.
    if (int64_t{b.width} * b.height > INT32_MAX)
        return std::string("the rectangle is too large");
    return std::nullopt;
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

// Words of `text` in lines of at most `width` columns, each indented by
// `indent` spaces.
std::string wrapped(const std::string& text, size_t indent, size_t width)
{
    std::istringstream words(text);
    std::string out, line, word;
    while (words >> word) {
        if (!line.empty() && indent + line.size() + 1 + word.size() > width) {
            out += std::string(indent, ' ') + line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty())
        out += std::string(indent, ' ') + line + "\n";
    return out;
}

ParseResult usageError(std::string message)
{
    ParseResult r;
    r.action = ParseResult::Action::UsageError;
    r.error = std::move(message);
    return r;
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }

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

}  // namespace

ParseResult parseOptions(int argc, const char* const* argv)
{
    ParseResult result;
    Options& o = result.options;
    bool videoGiven = false;
    bool optionsEnded = false;
    std::set<std::string> seen;  // options that may be given only once

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

        if (name == "-h" || name == "--help" || name == "--version" || name == "-q" || name == "--quiet" ||
            name == "--kernel" || name == "--robust" || name == "--adaptive-noise" || name == "--lost-and-found" ||
            name == "--normalise-light" || name == "--print-seed" ||
            name == "--select" || name == "--show") {
            if (inlineValue)
                return usageError("option " + name + " takes no value");
            if (name == "-h" || name == "--help") {
                result.action = ParseResult::Action::Help;
                return result;
            }
            if (name == "--version") {
                result.action = ParseResult::Action::Version;
                return result;
            }
            seen.insert(name);
            if (name == "--kernel")
                o.colour.kernel = true;
            else if (name == "--normalise-light")
                o.colour.normaliseLight = true;
            else if (name == "--adaptive-noise")
                o.motion.adaptiveNoise = true;
            else if (name == "--lost-and-found")
                o.motion.lostAndFound = true;
            else if (name == "--print-seed")
                o.printSeed = true;
            else if (name == "--select")
                o.select = true;
            else if (name == "--show")
                o.show = true;
            else if (name == "--robust")
                o.robust = true;
            else
                o.quiet = true;
            continue;
        }

        static const char* const valued[] = {"--box",   "--targets",   "--samples",        "--noise",
                                             "--iterations", "--frames", "--threads", "--seed",  "--mot",
                                             "--estimates",  "--video",  "--gt",    "--model",
                                             "--hsv-bins",   "--min-saturation", "--min-value", "--parts",
                                             "--sharpness",  "--adapt",  "--spread", "--damping",
                                             "--scale-noise", "--aspect-noise", "--scale-range", "--surround", "--plot", "--spread-when-poor",
                                             "--foreground"};
        if (std::none_of(std::begin(valued), std::end(valued), [&](const char* v) { return name == v; }))
            return usageError("unknown option " + quoted(name));
        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else {
            if (i + 1 >= argc)
                return usageError("option " + name + " needs a value");
            value = argv[++i] ? argv[i] : "";
        }
        if (name != "--box" && !seen.insert(name).second)
            return usageError("option " + name + " is given more than once");

        if (name == "--box") {
            std::string why;
            const auto box = parseBox(value, why);
            if (!box)
                return usageError("--box " + quoted(value) + ": " + why);
            o.boxes.push_back(*box);
        } else if (name == "--samples" || name == "--iterations" || name == "--frames") {
            const auto n = parseInt(value);
            if (!n && parseInt64(value) > 0)
                return usageError(name + " " + quoted(value) + ": at most " + std::to_string(INT32_MAX));
            if (!n || *n <= 0)
                return usageError(name + " " + quoted(value) + ": expected a positive integer");
            (name == "--samples" ? o.samples : name == "--iterations" ? o.iterations : o.frames) = *n;
        } else if (name == "--threads") {
            const auto n = parseInt(value);
            if (!n || *n <= 0 || *n > kMaxThreads)
                return usageError("--threads " + quoted(value) + ": expected an integer from 1 to " +
                                  std::to_string(kMaxThreads));
            o.threads = *n;
        } else if (name == "--noise") {
            const auto s = parseFiniteDouble(value);
            if (!s || *s < 0.0 || *s > 3.4028234663852886e38)
                return usageError("--noise " + quoted(value) + ": expected a finite number >= 0");
            o.noise = *s == 0.0 ? 0.0f : static_cast<float>(*s);  // no negative zero
        } else if (name == "--model") {
            if (value != "hue" && value != "hsv")
                return usageError("--model " + quoted(value) + ": expected hue or hsv");
            o.colour.space = value == "hue" ? ColourSpace::Hue : ColourSpace::Hsv;
        } else if (name == "--hsv-bins") {
            std::string why;
            const auto bins = parseIntList(value, 3);
            ColourBinning b = o.colour.binning;
            if (bins) {
                b.hueBins = (*bins)[0];
                b.saturationBins = (*bins)[1];
                b.valueBins = (*bins)[2];
            }
            if (!bins || !validBinning(b))
                return usageError("--hsv-bins " + quoted(value) + ": expected H,S,V, each at least 1, with H * S + V <= " +
                                  std::to_string(kMaxColourBins));
            o.colour.binning = b;
        } else if (name == "--min-saturation" || name == "--min-value") {
            const auto n = parseInt(value);
            if (!n || *n < 0 || *n > 255)
                return usageError(name + " " + quoted(value) + ": expected an integer from 0 to 255");
            (name == "--min-saturation" ? o.colour.binning.minSaturation : o.colour.binning.minValue) = *n;
        } else if (name == "--parts") {
            const auto n = parseInt(value);
            if (!n || *n < 1 || *n > 2)
                return usageError("--parts " + quoted(value) + ": expected 1 or 2");
            o.colour.parts = *n;
        } else if (name == "--sharpness") {
            const auto l = parseFiniteDouble(value);
            if (!l || !(*l > 0.0) || *l > kMaxSharpness)
                return usageError("--sharpness " + quoted(value) + ": expected a number above 0 and at most " +
                                  std::to_string(static_cast<int>(kMaxSharpness)));
            o.colour.sharpness = *l;
        } else if (name == "--adapt") {
            const auto a = parseFiniteDouble(value);
            if (!a || *a < 0.0 || *a > 1.0)
                return usageError("--adapt " + quoted(value) + ": expected a number from 0 to 1");
            o.adaptation.rate = *a;
        } else if (name == "--spread" || name == "--spread-when-poor" || name == "--damping") {
            const auto f = parseFiniteDouble(value);
            if (!f || *f < 0.0 || *f > 1.0)
                return usageError(name + " " + quoted(value) + ": expected a number from 0 to 1");
            (name == "--spread" ? o.motion.spread : name == "--damping" ? o.motion.damping : o.motion.spreadWhenPoor) = *f;
        } else if (name == "--scale-noise" || name == "--aspect-noise") {
            const auto s = parseFiniteDouble(value);
            if (!s || *s < 0.0 || *s > kMaxScaleNoise)
                return usageError(name + " " + quoted(value) + ": expected a number from 0 to " +
                                  std::to_string(kMaxScaleNoise).substr(0, 3));
            (name == "--scale-noise" ? o.motion.scaleNoise : o.motion.aspectNoise) = *s;
        } else if (name == "--surround") {
            const auto w = parseFiniteDouble(value);
            if (!w || *w < 0.0 || *w > kMaxSurroundWeight)
                return usageError("--surround " + quoted(value) + ": expected a number from 0 to " +
                                  std::to_string(static_cast<int>(kMaxSurroundWeight)));
            o.colour.ringWeight = *w;
        } else if (name == "--foreground") {
            const auto w = parseFiniteDouble(value);
            if (!w || *w < 0.0 || *w > kMaxForegroundWeight)
                return usageError("--foreground " + quoted(value) + ": expected a number from 0 to " +
                                  std::to_string(static_cast<int>(kMaxForegroundWeight)));
            o.colour.foregroundWeight = *w;
        } else if (name == "--scale-range") {
            const auto comma = value.find(',');
            const auto lo = parseFiniteDouble(value.substr(0, comma));
            const auto hi = comma == std::string::npos ? std::nullopt : parseFiniteDouble(value.substr(comma + 1));
            if (!lo || !hi || !(*lo > 0.0) || *lo > 1.0 || *hi < 1.0 || *hi > kMaxScale)
                return usageError("--scale-range " + quoted(value) + ": expected LO,HI with 0 < LO <= 1 <= HI <= " +
                                  std::to_string(static_cast<int>(kMaxScale)));
            o.motion.minScale = *lo;
            o.motion.maxScale = *hi;
        } else if (name == "--seed") {
            const auto t = parseInt64(value);
            if (!t)
                return usageError("--seed " + quoted(value) + ": expected a 64-bit integer");
            o.seed = *t;
        } else {
            if (value.empty())
                return usageError("option " + name + " needs a file name");
            if (name == "--plot" && !hasPngExtension(value))
                return usageError("--plot " + quoted(value) + ": the picture is a PNG file, its name ends in .png");
            std::string& file = name == "--targets"     ? o.targetsFile
                                : name == "--mot"       ? o.motFile
                                : name == "--estimates" ? o.estimatesFile
                                : name == "--video"     ? o.videoFile
                                : name == "--plot"      ? o.plotFile
                                                        : o.gtFile;
            file = value;
        }
    }

    if (o.robust)
        applyRobustPreset(o, seen);
    // Boxes that change size need the surround to tell a box that fits its
    // object from one inside it; the foreground cue has its own.
    if (seen.count("--surround") == 0 && (o.motion.scaleNoise > 0.0 || o.motion.aspectNoise > 0.0) &&
        !(o.colour.foregroundWeight > 0.0))
        o.colour.ringWeight = kScaleSurroundWeight;
    if (!o.boxes.empty() && !o.targetsFile.empty())
        return usageError("--box and --targets cannot be combined");
    const int64_t fit = targetsThatFit(o.samples);
    if (fit < kStandardTargetCount)
        return usageError("--samples " + std::to_string(o.samples) + ": the sample store holds at most " +
                          std::to_string(kMaxStoreSlots / kStandardTargetCount) + " samples per target");
    if (static_cast<int64_t>(o.boxes.size()) > fit)
        return usageError(std::to_string(o.boxes.size()) + " targets given, but with --samples " +
                          std::to_string(o.samples) + " at most " + std::to_string(fit) +
                          " fit in the sample store");
    return result;
}

std::string usageText()
{
    std::ostringstream s;
    s << "Usage: tavo-track [VIDEO] [options]\n"
         "\n"
         "Tracks targets through a video with the TAVO multi-target particle filter,\n"
         "without a window unless --select or --show asks for one.  VIDEO defaults to\n"
         "TAVO_DEMO.avi.  Without --box, --targets and --select the nine targets of the\n"
         "demo are tracked, so that tavo-track alone runs the demo headless.\n"
         "\n"
         "Targets:\n"
         "  --box X,Y,W,H     a target rectangle on the first frame: top-left corner and\n"
         "                    size in pixels, W and H > 0; repeat for more targets, which\n"
         "                    get the ids 1, 2, 3, ... in the order given\n"
         "  --targets FILE    the boxes of a MOTChallenge file (ground truth or\n"
         "                    detections): those of its lowest frame number, in\n"
         "                    increasing id order; each keeps its id (given once), boxes\n"
         "                    with id -1 are numbered after the highest; a warning names\n"
         "                    rows of confidence 0\n"
         "  --select          drag more target rectangles with the mouse on the first\n"
         "                    frame, after those of --box or --targets: Space or Enter\n"
         "                    keeps the rectangle, c drops it (or the last one kept),\n"
         "                    Escape (or Enter with no rectangle drawn) starts the\n"
         "                    tracking; the run's boxes are printed as --box options\n"
         "                    on stderr\n"
         "\n"
         "Tracking:\n"
         "  --samples N       samples per target (default 500)\n"
         "  --noise S         scale of the motion noise in x and y, a number from 0 to\n"
         "                    the larger side of the frame; 0 moves the samples by\n"
         "                    their velocity alone (default 0.2)\n"
         "  --iterations K    iterations of the joint move per frame (default 5000)\n"
         "  --frames N        stop after N frames (default: the whole video)\n"
         "  --threads N       threads for the per-target steps, 1 to "
      << kMaxThreads
      << " (default 1);\n"
         "                    the results are the same, bit for bit, for every N\n"
         "  --seed T          the random pools are seeded from a counter whose k-th read\n"
         "                    gives T + k, T any 64-bit integer (default: T drawn from\n"
         "                    the system's entropy); the summary ends with \"seed T\", so\n"
         "                    that --seed T repeats any run exactly\n"
         "\n"
         "Appearance, for real footage (defaults: the hue histograms above, learnt once):\n"
         "  --model hue|hsv   hue: a histogram of the 8-bit hue alone (default).  hsv:\n"
         "                    pixels with enough saturation and brightness go into hue x\n"
         "                    saturation bins, all others (grey, black, white, whose\n"
         "                    hue is noise) into brightness bins\n"
         "  --hsv-bins H,S,V  bins of hue, saturation and brightness for --model hsv,\n"
         "                    H * S + V <= 255 (default 10,10,10)\n"
         "  --min-saturation N, --min-value N\n"
         "                    0..255: a pixel below either is binned by brightness only\n"
         "                    (defaults 26 and 51, a tenth and a fifth of the range)\n"
         "  --kernel          weight pixels by their distance from the box's centre\n"
         "                    (Epanechnikov), so that background at the edges counts less\n"
         "  --parts N         1, or 2: one histogram for the upper and one for the lower\n"
         "                    half of the box, for upright objects (default 1)\n"
         "  --sharpness L     the likelihood is exp(-L (1 - BC)), BC the Bhattacharyya\n"
         "                    coefficient, summed over the parts; 0 < L <= 1000\n"
         "                    (default 20)\n"
         "  --adapt A         0..1: after each frame, reference = (1 - A) reference + A\n"
         "                    estimate, only while the estimate matches the reference\n"
         "                    with BC >= 0.8 and no other target's box overlaps it\n"
         "                    (default 0: the reference never changes)\n"
         "  --foreground W    0..10, for a still camera: a background is learnt from\n"
         "                    the frames (each pixel follows the frame at rate 0.05\n"
         "                    while no target is near it, and the whole of it follows\n"
         "                    a light change of the scene); pixels that differ from it\n"
         "                    by more than 30 in a channel are foreground.  The\n"
         "                    likelihood is lowered by exp(-L W ((1 - f) + r)), f the\n"
         "                    box's share of foreground pixels, r that of a ring around\n"
         "                    it, so that still look-alikes of a moving object do not\n"
         "                    draw its target and boxes fit what moves (default 0: off)\n"
         "  --normalise-light for --model hsv: brightness is scaled by the first frame's\n"
         "                    mean brightness over the current frame's, so that a light\n"
         "                    change of the whole scene keeps grey pixels in their bins\n"
         "\n"
         "Motion, for objects that turn, jump, stop, grow or are hidden (defaults: none\n"
         "of it, constant velocity with random acceleration alone):\n"
         "  --spread F        0..1: a share F of every target's samples is proposed\n"
         "                    around its estimate with a wide random walk (deviation 0.75\n"
         "                    of the box's larger side, velocity 0) (default 0)\n"
         "  --spread-when-poor F  0..1: another share F proposed so in a frame after a\n"
         "                    poor match (see --adaptive-noise), only when the object\n"
         "                    may have got away (default 0)\n"
         "  --adaptive-noise  the motion noise grows 1.5 times a frame, up to 8 times\n"
         "                    --noise, while the best match falls below 0.3 of the\n"
         "                    target's typical best (a running mean) or the effective\n"
         "                    sample size below 2 %; it shrinks 0.75 times a frame back\n"
         "                    to --noise when the match is good\n"
         "  --damping D       0..1: velocities shrink by (1 - D) every frame (default 0)\n"
         "  --scale-noise S   0..0.5: a random walk of deviation S on the log of each\n"
         "                    sample's scale, both axes together; boxes then change size\n"
         "                    in every output (default 0)\n"
         "  --aspect-noise S  0..0.5: an extra step on the height's scale alone\n"
         "  --scale-range LO,HI  the scales allowed, 0 < LO <= 1 <= HI <= 10\n"
         "                    (default 0.5,2)\n"
         "  --surround W      0..10: a ring around each box that looks like the object\n"
         "                    lowers the likelihood by exp(-L W BC), so that boxes fit\n"
         "                    their objects (default 0.5 with --scale-noise or\n"
         "                    --aspect-noise and without --foreground, else 0)\n"
         "  --lost-and-found  a target whose best match stays below 0.1 of its typical\n"
         "                    best for 3 frames is lost: half its samples search around\n"
         "                    its last good position, farther every frame, away from\n"
         "                    other targets, until a match of 0.3 of the typical finds\n"
         "                    it.  The MOT file's conf column then holds each target's\n"
         "                    confidence, the weighted mean likelihood of its samples\n"
         "                    (0..1, 4 decimals), and 0 while it is lost\n"
         "\n"
         "  --robust          the combination measured best on the scenes of\n"
         "                    make-scenes (grey, dark and white objects, light changes,\n"
         "                    two-tone objects, clutter, fast turns, growing, hidden and\n"
         "                    converging objects); options given explicitly override\n"
         "                    it.  It assumes a still camera: for a moving one add\n"
         "                    --foreground 0.  It sets:\n"
      << wrapped(robustPresetText(), 20, 79)
      << 
         "\n"
         "Outputs (default: none):\n"
         "  --mot FILE        MOTChallenge results, frame,id,x,y,w,h,1,-1,-1,-1: each\n"
         "                    target's estimate with two decimals, w = base width x\n"
         "                    scale_x, h = base height x scale_y, x = pos_x - w/2,\n"
         "                    y = pos_y - h/2 (earlier builds wrote the drawing's\n"
         "                    whole-pixel rectangle, often a pixel smaller)\n"
         "  --estimates FILE  CSV of the estimates, frame,id,pos_x,pos_y,vel_x,vel_y,\n"
         "                    scale_x,scale_y\n"
         "  --video FILE      the annotated frames, MJPG AVI at the input's frame rate\n"
         "                    (25 frames/s when the input declares none)\n"
         "  --gt FILE         score the run against MOTChallenge ground truth (each\n"
         "                    target against the object of its id) and print the\n"
         "                    report: centre errors in pixels, success rate (overlap\n"
         "                    >= 0.5), identity confusions, and CLEAR-MOT MOTA, MOTP\n"
         "                    (mean overlap of the matched pairs) and ID switches;\n"
         "                    warnings name ids no target has and boxes without area\n"
         "  -q, --quiet       no progress line and no summary; errors, warnings and the\n"
         "                    --gt report are still printed\n"
         "      --print-seed  print \"seed T\" also with --quiet\n"
         "  --plot FILE.png   a picture of every target's path over the first frame;\n"
         "                    with --gt also FILE-errors.png, the centre error and the\n"
         "                    overlap with the ground truth of every target over the\n"
         "                    frames\n"
         "  --show            show the tracking in a window while it runs: Space pauses\n"
         "                    and resumes, Escape or closing the window stops the run\n"
         "                    (the results so far are kept)\n"
         "  -h, --help        print this text\n"
         "      --version     print the version\n"
         "\n"
         "Boxes are read and written in pixels of the frame, column 0 and row 0 first,\n"
         "within -16777216 and 16777216.  Result files are written under temporary\n"
         "names beside them and replace earlier files of their names only when the run\n"
         "succeeds, is interrupted or stops at a frame of another size.\n"
         "Up to "
      << kStandardTargetCount
      << " targets, the sample store is sized as in the demo; more are accepted\n"
         "while samples times targets stays within "
      << kMaxStoreSlots
      << ".\n"
         "\n"
         "--select and --show need a display.\n"
         "\n"
         "Ctrl-C (SIGINT) or SIGTERM stops the run after the current frame, with every\n"
         "file complete.\n"
         "\n"
         "Exit status: 0 success (warnings go to stderr; also when stopped from the\n"
         "window), 1 run-time error (video, files, standard output, a frame of another\n"
         "size), 2 usage error (also a run that needs more memory than the machine\n"
         "has, no display for a window, no target selected), 130 or 143 after SIGINT\n"
         "or SIGTERM.\n";
    return s.str();
}

std::string versionText() { return std::string("tavo-track ") + TAVO_VERSION + "\n"; }

}  // namespace tavo_cli
