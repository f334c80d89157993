#pragma once

// Command line of tavo-track: what to track, how, and where the results go.

#include "support/box.h"
#include "tracker/colour_model.h"
#include "tracker/reference_adaptation.h"
#include "tracker/robust_motion.h"
#include "tracker/tracker_sizing.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tavo_cli {

struct Options {
    std::string video = "TAVO_DEMO.avi";
    std::vector<Box> boxes;    // --box, target rectangles on the first frame, in the order given
    std::string targetsFile;   // --targets; empty when not given
    int samples = 500;         // per target
    float noise = 0.2f;        // both noise scales
    int iterations = kStandardJointIterations;  // of the joint move, per frame
    int frames = 0;            // stop after this many frames; 0: all
    int threads = 1;           // of the per-target steps; results do not depend on it
    std::optional<int64_t> seed;
    std::string motFile;
    std::string estimatesFile;
    std::string videoFile;
    std::string gtFile;
    bool quiet = false;
    bool select = false;       // --select: more targets dragged on the first frame in a window
    bool show = false;         // --show: the tracking shown live in a window
    std::string plotFile;      // --plot: the targets' paths as a PNG picture; empty when not given
    bool printSeed = false;    // --print-seed: the seed line also in --quiet runs

    // How targets look: the colour model and its adaptation.  The defaults
    // are the hue histograms learnt once.
    ColourModelSettings colour;
    AdaptationSettings adaptation;
    // How samples move beyond constant velocity; the defaults add nothing.
    MotionSettings motion;
    bool robust = false;  // --robust: the preset below, under explicit options

    // Whether the targets need appearance models rather than their own hue
    // histograms.
    bool usesAppearanceModels() const { return !colour.isHueHistogram() || adaptation.rate > 0.0; }
};

// More threads than this are refused: the per-target steps of a frame are
// far too few to keep more busy, and a slip of the finger should not start
// thousands.
constexpr int kMaxThreads = 64;

// The largest --scale-noise and --aspect-noise (a log-scale step per frame)
// and the largest scale --scale-range allows.
constexpr double kMaxScaleNoise = 0.5;
constexpr double kMaxScale = 10.0;

// The surround's weight when boxes change size and --surround is not
// given, and the largest --surround.
constexpr double kScaleSurroundWeight = 0.5;
constexpr double kMaxSurroundWeight = 10.0;
// The largest --foreground.
constexpr double kMaxForegroundWeight = 10.0;

// The largest --sharpness: beyond it every imperfect match weighs nothing.
constexpr double kMaxSharpness = 1000.0;

// What --robust sets, as measured best on the scored scenes of
// make-scenes (hsv bins, a centre-weighted kernel, two bands, slow
// adaptation, the foreground cue of a still camera, wide proposals after
// poor frames, adaptive noise, a scale walk, lost and found).
constexpr bool kRobustNormaliseLight = true;
constexpr bool kRobustKernel = true;
constexpr int kRobustParts = 2;
constexpr double kRobustSharpness = 20.0;
constexpr double kRobustAdaptRate = 0.05;
constexpr double kRobustForegroundWeight = 0.5;
constexpr double kRobustSpread = 0.1;
constexpr double kRobustSpreadWhenPoor = 0.3;
constexpr bool kRobustAdaptiveNoise = true;
constexpr double kRobustDamping = 0.0;
constexpr double kRobustScaleNoise = 0.01;
constexpr bool kRobustLostAndFound = true;

// The preset as options, e.g. "--model hsv --kernel ...".
std::string robustPresetText();

// What --robust sets unless an option given explicitly says otherwise.
void applyRobustPreset(Options& options, const std::set<std::string>& explicitOptions);

// What the command line asks for.
struct ParseResult {
    enum class Action { Run, Help, Version, UsageError };
    Action action = Action::Run;
    Options options;     // meaningful for Run
    std::string error;   // for UsageError: names the option or value at fault
};

// Parses argv[1 .. argc-1].  Never exits and never prints.
ParseResult parseOptions(int argc, const char* const* argv);

// The --help text and the --version line, each ending with a newline.
std::string usageText();
std::string versionText();

// Strict number parsers: the whole text must be the number, within range.
// Each returns nothing for a malformed or out-of-range text.
std::optional<int64_t> parseInt64(const std::string& text);
std::optional<int> parseInt(const std::string& text);
std::optional<double> parseFiniteDouble(const std::string& text);
// `count` integers separated by commas.
std::optional<std::vector<int>> parseIntList(const std::string& text, size_t count);

// Box coordinates, edges included, lie within +-2^24 pixels: the tracker
// keeps positions as floats, which hold every whole number up to 2^24
// exactly, and the drawing keeps its corners within the same range.
constexpr int kMaxBoxCoordinate = 1 << 24;

// Why a box cannot be tracked: its edges beyond kMaxBoxCoordinate, or an
// area that does not fit the tracker's 32-bit ints.  Nothing for a box
// that can.
std::optional<std::string> boxRangeProblem(const Box& box);

// "X,Y,W,H" with integers, W and H positive, within boxRangeProblem's
// range.  On failure, `why` says what is wrong.
std::optional<Box> parseBox(const std::string& text, std::string& why);

}  // namespace tavo_cli
