// libFuzzer harness for tavo-track's command line: the input, split at NUL
// bytes, is the argument list (a word "\x01" stands for a null argv entry).
// Every word also goes through the number and box parsers on its own.
// Checked: a run request carries only values the tracker can take (boxes
// within +-2^24, settings within the library's ranges), and the number
// parsers give back exactly the value they read.

#define FUZZ_HARNESS_NAME "fuzz_cli_options"
#include "fuzz_check.h"
#include "programs/track/options.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace tavo_cli;

void checkBox(const Box& b)
{
    CHECK(b.width > 0 && b.height > 0);
    CHECK(int64_t{b.x} + b.width <= INT32_MAX && int64_t{b.y} + b.height <= INT32_MAX);
    CHECK(int64_t{b.width} * b.height <= INT32_MAX);
    CHECK(!boxRangeProblem(b));
    CHECK(b.x >= -kMaxBoxCoordinate && int64_t{b.x} + b.width <= kMaxBoxCoordinate);
    CHECK(b.y >= -kMaxBoxCoordinate && int64_t{b.y} + b.height <= kMaxBoxCoordinate);
}

void checkWord(const std::string& word)
{
    if (const auto v = parseInt64(word)) {
        CHECK(parseInt64(std::to_string(*v)) == v);
        const auto i = parseInt(word);
        CHECK(i.has_value() == (*v >= INT32_MIN && *v <= INT32_MAX));
        if (i)
            CHECK(*i == *v);
    } else {
        CHECK(!parseInt(word));
    }
    if (const auto d = parseFiniteDouble(word))
        CHECK(std::isfinite(*d));
    std::string why;
    if (const auto b = parseBox(word, why))
        checkBox(*b);
    else
        CHECK(!why.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> words{"tavo-track"};
    std::string current;
    for (size_t i = 0; i < size && words.size() < 64; ++i) {
        if (data[i] == 0) {
            words.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    if (words.size() < 64 && (size == 0 || data[size - 1] != 0))
        words.push_back(current);

    std::vector<const char*> argv;
    for (const std::string& w : words)
        argv.push_back(w == "\x01" ? nullptr : w.c_str());
    argv.push_back(nullptr);

    const ParseResult r = parseOptions(static_cast<int>(words.size()), argv.data());
    switch (r.action) {
    case ParseResult::Action::Run: {
        const Options& o = r.options;
        CHECK(r.error.empty());
        CHECK(!o.video.empty());
        const SamplingSettings& t = o.settings.tracking;
        CHECK(settingProblems(o.settings).empty());
        CHECK(t.samples >= 1 && t.iterations >= 1 && o.frames >= 0);
        CHECK(std::isfinite(t.noise) && t.noise >= 0.0f && !std::signbit(t.noise));
        CHECK(o.boxes.empty() || o.targetsFile.empty());
        CHECK(targetsThatFit(t.samples) >= kStandardTargetCount);
        CHECK(static_cast<int64_t>(o.boxes.size()) <= targetsThatFit(t.samples));
        CHECK(int64_t{t.samples} * kStandardTargetCount <= kMaxStoreSlots);
        for (const Box& b : o.boxes)
            checkBox(b);
        break;
    }
    case ParseResult::Action::UsageError:
        CHECK(!r.error.empty());
        break;
    default:
        break;
    }

    for (size_t i = 1; i < words.size(); ++i)
        checkWord(words[i]);
    return 0;
}
