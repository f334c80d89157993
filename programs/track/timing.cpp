#include "programs/track/timing.h"

#include "support/stage_times.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace tavo_cli {

void FrameTimes::add(double trackingMs, double frameMs)
{
    tracking_.push_back(trackingMs);
    frame_.push_back(frameMs);
    totalMs_ += frameMs;
}

std::string counted(int n, const std::string& thing)
{
    return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}

std::string durationText(double seconds)
{
    char text[64];
    if (seconds < 60)
        std::snprintf(text, sizeof text, "%.1f s", seconds);
    else if (seconds < 3600)
        std::snprintf(text, sizeof text, "%d min %02d s", static_cast<int>(seconds) / 60,
                      static_cast<int>(seconds) % 60);
    else
        std::snprintf(text, sizeof text, "%d h %02d min", static_cast<int>(seconds) / 3600,
                      static_cast<int>(seconds) % 3600 / 60);
    return text;
}

std::string FrameTimes::summary(int targets, double elapsedSeconds) const
{
    const auto mean = [](const std::vector<double>& v) {
        return v.empty() ? 0.0 : std::accumulate(v.begin(), v.end(), 0.0) / v.size();
    };
    const double rate = totalMs_ > 0 ? frames() * 1000.0 / totalMs_ : 0.0;
    char times[256];
    std::snprintf(times, sizeof times,
                  "tracking cycle %.2f ms median / %.2f ms mean, whole frame %.2f ms median / %.2f ms mean, "
                  "%.1f frames/s",
                  medianOf(tracking_), mean(tracking_), medianOf(frame_), mean(frame_), rate);
    return counted(frames(), "frame") + ", " + counted(targets, "target") + ", " + durationText(elapsedSeconds) +
           " in all: " + times;
}

std::string progressLine(int frame, int total, double framesPerSecond)
{
    char line[128];
    if (total > 0 && framesPerSecond > 0) {
        const double left = std::max(0, total - frame) / framesPerSecond;
        std::snprintf(line, sizeof line, "frame %d of %d, %.1f frames/s, %.0f s left", frame, total, framesPerSecond,
                      std::ceil(left));
    } else if (total > 0) {
        std::snprintf(line, sizeof line, "frame %d of %d", frame, total);
    } else {
        std::snprintf(line, sizeof line, "frame %d, %.1f frames/s", frame, framesPerSecond);
    }
    return line;
}

}  // namespace tavo_cli
