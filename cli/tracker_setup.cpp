#include "cli/tracker_setup.h"

#include <algorithm>

namespace tavo_cli {

std::string boxText(const Box& b)
{
    return std::to_string(b.x) + "," + std::to_string(b.y) + "," + std::to_string(b.width) + "," +
           std::to_string(b.height);
}

bool setUpTracker(tavo& tracker, CvMat* plane, const std::vector<Box>& boxes, int samplesPerTarget, float noise,
                  int jointIterations, std::string& error)
{
    const int columns = plane->cols;
    const int rows = plane->rows;
    for (size_t i = 0; i < boxes.size(); ++i) {
        const Box& b = boxes[i];
        if (b.x >= columns || b.y >= rows || int64_t{b.x} + b.width <= 0 || int64_t{b.y} + b.height <= 0) {
            error = "target " + std::to_string(i + 1) + " (box " + boxText(b) + ") lies wholly outside the first frame (" +
                    std::to_string(columns) + "x" + std::to_string(rows) + ")";
            return false;
        }
    }

    const int count = static_cast<int>(boxes.size());
    if (!tracker.init(plane, samplesPerTarget, std::max(count, kStandardTargetCount))) {
        error = "not enough memory for " + std::to_string(count) + " targets of " + std::to_string(samplesPerTarget) +
                " samples";
        return false;
    }
    tracker.noiseScaleX = noise;
    tracker.noiseScaleY = noise;
    tracker.jointIterations = jointIterations;
    for (size_t i = 0; i < boxes.size(); ++i) {
        const Box& b = boxes[i];
        if (!tracker.addTarget(plane, b.x, b.y, b.width, b.height)) {
            error = "the tracker refused target " + std::to_string(i + 1) + " (box " + boxText(b) + ")";
            return false;
        }
    }
    return true;
}

}  // namespace tavo_cli
