#pragma once

// Command line of tavo-track: what to track, how, and where the results go.
// Every option is one entry of a table (option_table.cpp), from which the
// parsing, --help and the text of --robust are made; the tracking
// settings, their defaults and their ranges are the library's
// (settings/tracking_settings.h, settings/setting_table.h).

#include "rendering/drawing_style.h"
#include "support/box.h"
#include "settings/number_text.h"
#include "settings/setting_table.h"
#include "session/tracking_session.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavo_cli {

// The demo's video: a VIDEO of this file name is tracked with the demo's
// nine targets when no other targets are given.
inline const char* const kDemoVideoName = "TAVO_DEMO.avi";

struct Options {
    std::string video = kDemoVideoName;
    std::vector<Box> boxes;    // --box or --box-id, target rectangles on the first frame, in the order given
    std::vector<int> boxIds;   // --box-id: the id of each box; empty with --box
    std::string targetsFile;   // --targets; empty when not given
    bool reinitFromTargets = false;  // --reinit-from-targets: later rows of a running id re-initialise it
    int dropLost = 0;          // --drop-lost N: drop a target lost N frames in a row; 0: never
    std::string applyEditsFile;  // --apply-edits: changes to the targets to repeat; empty when not given
    std::string editsFile;     // --edits: where the changes made in the --show window go; empty when not given
    bool demoTargets = false;  // --demo-targets: the demo's nine boxes on any video
    std::optional<int> camera; // --camera N: device N instead of a video
    int start = 1;             // --start N: the video's first frame tracked, from 1
    int frames = 0;            // stop after this many frames; 0: all
    std::optional<int64_t> seed;
    std::string motFile;
    std::string estimatesFile;
    std::string confidenceTermsFile;  // --confidence-terms: the calibrated confidence's terms; empty when not given
    std::string videoFile;
    std::string gtFile;
    std::string plotFile;      // --plot: the targets' paths as a PNG picture; empty when not given
    bool quiet = false;
    // --progress / --no-progress: the progress line; unset: shown unless --quiet
    std::optional<bool> progress;
    bool select = false;       // --select: more targets dragged on the first frame in a window
    bool show = false;         // --show: the tracking shown live in a window
    bool showAsFastAsTracked = false;  // --show-speed max: not held to the video's frame rate
    bool printSeed = false;    // --print-seed: the seed line also in --quiet runs
    bool timings = false;      // --timings: the stage table on stderr at the end
    bool states = false;       // --states: each target's state in --estimates and the boxes drawing
    bool robust = false;       // --robust given
    DrawingStyle drawing = DrawingStyle::Design;  // --draw; Boxes under --robust unless given
    // The defaults, or robustSettings() under --robust, then every option
    // given explicitly, in the order given; not resolved().
    TrackingSettings settings;
};

// The preset as options, e.g. "--model hsv --kernel ...": every option of
// the table whose value under robustSettings() differs from the default.
std::string robustPresetText();

// What the command line asks for.
struct ParseResult {
    enum class Action { Run, Help, Version, UsageError };
    Action action = Action::Run;
    Options options;     // meaningful for Run
    std::string error;   // for UsageError: names the option or value at fault
};

// Parses argv[1 .. argc-1].  Never exits and never prints.
ParseResult parseOptions(int argc, const char* const* argv);

// The options of the table, in the order of --help.
struct OptionName {
    std::string name;        // "--quiet"
    std::string shortName;   // "-q", or empty
    bool takesValue = false;
};
std::vector<OptionName> optionNames();

// The tracking settings by name are the library's (settings/setting_table.h),
// from which the table's setting options are made.
using ::applySetting;
using ::SettingKind;
using ::SettingName;
using ::settingNames;
using ::settingValue;

// The --help text and the --version line, each ending with a newline.
std::string usageText();
std::string versionText();

// Strict number parsers (settings/number_text.h).
using ::parseFiniteDouble;
using ::parseInt;
using ::parseInt64;
using ::parseIntList;

// The box parser (support/box.h).
using ::parseBox;

}  // namespace tavo_cli
