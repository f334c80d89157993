// libFuzzer harness for the MOTChallenge reader of tavo-track: the input is
// a targets (or ground-truth) file.  Checked: records come with increasing
// line numbers and bounded coordinates, a failure always says where, the
// initial targets are non-empty rectangles the tracker can take with ids
// given once each, one per id from frame 1 on and one per record without
// identity on the lowest such frame, and grouping by frame keeps every
// record.

#define FUZZ_HARNESS_NAME "fuzz_targets_file"
#include "fuzz_check.h"
#include "evaluation/mot_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>

namespace {

using namespace tavo_eval;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string name = "targets.txt";

    std::string error;
    std::istringstream first(text);
    const auto records = readMotRecords(first, name, error);
    if (!records) {
        CHECK(error.rfind(name + ":", 0) == 0);
    } else {
        int lastLine = 0;
        for (const MotRecord& r : *records) {
            CHECK(r.line > lastLine);
            lastLine = r.line;
            for (double v : {r.box.x, r.box.y, r.box.width, r.box.height})
                CHECK(std::isfinite(v) && std::fabs(v) <= kMaxBoxCoordinate);
        }
        size_t grouped = 0;
        for (const auto& [frame, list] : groupByFrame(*records)) {
            for (const MotRecord& r : list)
                CHECK(r.frame == frame);
            grouped += list.size();
        }
        CHECK(grouped == records->size());
    }

    std::string boxError;
    std::istringstream second(text);
    const auto targets = readInitialTargets(second, name, boxError);
    if (!targets) {
        CHECK(boxError.rfind(name + ":", 0) == 0);
        return 0;
    }
    CHECK(records && !records->empty() && !targets->empty());
    int lowest = INT32_MAX;
    for (const MotRecord& r : *records)
        if (r.frame >= 1)
            lowest = std::min(lowest, r.frame);
    std::set<int> idsGiven;
    size_t withoutId = 0;
    for (const MotRecord& r : *records) {
        if (r.frame >= 1 && r.id != kNoIdentity)
            idsGiven.insert(r.id);
        withoutId += r.frame == lowest && r.id == kNoIdentity;
    }
    CHECK(targets->size() == idsGiven.size() + withoutId);
    CHECK(targets->front().frame == lowest);
    std::set<int> ids;
    int lastFrame = lowest;
    for (const InitialTarget& t : *targets) {
        CHECK(ids.insert(t.id).second);
        CHECK(t.frame >= lastFrame);
        lastFrame = t.frame;
        const Box& b = t.box;
        CHECK(b.width >= 1 && b.height >= 1);
        CHECK(!boxRangeProblem(b));
        CHECK(int64_t{b.x} + b.width <= INT32_MAX && int64_t{b.y} + b.height <= INT32_MAX);
        CHECK(int64_t{b.width} * b.height <= INT32_MAX);
    }
    return 0;
}
