#pragma once

// Frame times of a run: the progress line while it runs and the summary at
// its end.

#include <string>
#include <vector>

namespace tavo_cli {

class FrameTimes {
public:
    // One frame: the tracking cycle alone and the whole frame, in ms.
    void add(double trackingMs, double frameMs);
    int frames() const { return static_cast<int>(frame_.size()); }
    double totalSeconds() const { return totalMs_ / 1000.0; }
    // "N frames, T targets, E s in all: tracking cycle ... ms median / ...
    // ms mean, whole frame ... ms median / ... ms mean, R frames/s", with
    // the run's elapsed time E (minutes and hours once that long).
    std::string summary(int targets, double elapsedSeconds) const;

private:
    std::vector<double> tracking_;
    std::vector<double> frame_;
    double totalMs_ = 0.0;
};

// "1 frame", "2 frames"
std::string counted(int n, const std::string& thing);
// "4.2 s", "3 min 05 s", "2 h 07 min"
std::string durationText(double seconds);

// "frame i of n, R frames/s, S s left", or "frame i, R frames/s" when the
// number of frames is unknown (n <= 0).
std::string progressLine(int frame, int total, double framesPerSecond);

}  // namespace tavo_cli
