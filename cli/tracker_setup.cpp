#include "cli/tracker_setup.h"

#include "cli/memory_estimate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <random>

namespace tavo_cli {

std::string boxText(const Box& b)
{
    return std::to_string(b.x) + "," + std::to_string(b.y) + "," + std::to_string(b.width) + "," +
           std::to_string(b.height);
}

int64_t drawSeed()
{
    std::random_device entropy;
    static_assert(sizeof(std::random_device::result_type) >= 4, "each draw gives 32 bits");
    const uint64_t high = entropy() & 0xFFFFFFFFu;
    const uint64_t low = entropy() & 0xFFFFFFFFu;
    return static_cast<int64_t>(high << 32 | low);
}

std::optional<std::string> noiseRefusal(float noise, int frameWidth, int frameHeight)
{
    const int largest = std::max(frameWidth, frameHeight);
    if (noise <= static_cast<float>(largest))
        return std::nullopt;
    char text[160];
    std::snprintf(text, sizeof text, "--noise %g: at most %d, the larger side of the frame (%dx%d)",
                  static_cast<double>(noise), largest, frameWidth, frameHeight);
    return std::string(text);
}

const Target* firstNonFiniteEstimate(const tavo& tracker)
{
    for (const auto& target : tracker.targets) {
        const Sample& e = target->estimate;
        for (const float v : {e.posX, e.posY, e.velX, e.velY, e.scaleX, e.scaleY})
            if (!std::isfinite(v))
                return target.get();
    }
    return nullptr;
}

bool setUpTracker(tavo& tracker, CvMat* plane, const std::vector<Box>& boxes, int samplesPerTarget, float noise,
                  int jointIterations, std::string& error, const std::vector<int>& ids)
{
    const auto name = [&ids](size_t i) {
        return "target " + std::to_string(i < ids.size() ? ids[i] : static_cast<int>(i) + 1);
    };
    const int columns = plane->cols;
    const int rows = plane->rows;
    for (size_t i = 0; i < boxes.size(); ++i) {
        const Box& b = boxes[i];
        if (b.x >= columns || b.y >= rows || int64_t{b.x} + b.width <= 0 || int64_t{b.y} + b.height <= 0) {
            error = name(i) + " (box " + boxText(b) + ") lies wholly outside the first frame (" +
                    std::to_string(columns) + "x" + std::to_string(rows) + ")";
            return false;
        }
    }

    const int count = static_cast<int>(boxes.size());
    const TrackerMemory needs = trackerMemory(count, samplesPerTarget);
    if (!tracker.init(plane, samplesPerTarget, std::max(count, kStandardTargetCount))) {
        error = "out of memory: the sample store for " + std::to_string(count) + " targets of " +
                std::to_string(samplesPerTarget) + " samples asks for " + byteCount(needs.store);
        return false;
    }
    tracker.noiseScaleX = noise;
    tracker.noiseScaleY = noise;
    tracker.jointIterations = jointIterations;
    for (size_t i = 0; i < boxes.size(); ++i) {
        const Box& b = boxes[i];
        bool added = false;
        try {
            added = tracker.addTarget(plane, b.x, b.y, b.width, b.height);
        } catch (const std::bad_alloc&) {
        }
        // The store has room for every target, so only memory is missing.
        if (!added) {
            error = "out of memory adding " + name(i) + " (box " + boxText(b) + "): it asks for " +
                    byteCount(needs.perTarget);
            return false;
        }
    }
    // Only now: adding a target finds it by the id the tracker gave it.
    for (size_t i = 0; i < ids.size() && i < tracker.targets.size(); ++i)
        tracker.targets[i]->id = ids[i];
    return true;
}

}  // namespace tavo_cli
