#pragma once

// Command line of tavo-track: what to track, how, and where the results go.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavo_cli {

// A target rectangle in pixels of the first frame: top-left corner and size.
struct Box {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

inline bool operator==(const Box& a, const Box& b)
{
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

// The tracker's store keeps its byte size in a 32-bit int, which bounds the
// number of sample slots (samples per target times target blocks) to
// (2^31 - 1 - 157) / 96: 88 bytes per sample, 8 for the noise, and the
// rounding of its sections to 32 bytes.
constexpr int64_t kMaxStoreSlots = (INT32_MAX - 157) / 96;

// Target blocks the store is sized for when no more targets are given; the
// same sizing as the demo's.
constexpr int kStandardTargetBlocks = 10;

// How many targets of `samplesPerTarget` samples fit in the store.
int64_t targetsThatFit(int samplesPerTarget);

struct Options {
    std::string video = "TAVO_DEMO.avi";
    std::vector<Box> boxes;    // --box, in the order given
    std::string targetsFile;   // --targets; empty when not given
    int samples = 500;         // per target
    float noise = 0.2f;        // both noise scales
    int iterations = 5000;     // of the joint move, per frame
    int frames = 0;            // stop after this many frames; 0: all
    std::optional<int64_t> seed;
    std::string motFile;
    std::string estimatesFile;
    std::string videoFile;
    std::string gtFile;
    bool quiet = false;
};

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

// "X,Y,W,H" with integers, W and H positive.  On failure, `why` says what
// is wrong.
std::optional<Box> parseBox(const std::string& text, std::string& why);

}  // namespace tavo_cli
