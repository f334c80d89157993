#include "support/stage_times.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace {

const char* const kStageNames[kStageCount] = {
    "decoding",         "conversion and binning", "background",   "camera motion",       "proposing and measuring",
    "joint move",       "estimates and states",   "box fitting",  "outputs and drawing",
};

double sumOf(const std::vector<double>& v) { return std::accumulate(v.begin(), v.end(), 0.0); }

}  // namespace

double medianOf(std::vector<double> v)
{
    if (v.empty())
        return 0.0;
    const size_t mid = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + mid, v.end());
    if (v.size() % 2)
        return v[mid];
    const double upper = v[mid];
    return 0.5 * (*std::max_element(v.begin(), v.begin() + mid) + upper);
}


const char* stageName(Stage stage) { return kStageNames[static_cast<int>(stage)]; }

void StageTimes::startFrame()
{
    running_ = true;
    current_.fill(0.0);
    last_ = Clock::now();
}

void StageTimes::lap(Stage stage)
{
    if (!running_)
        return;
    const Clock::time_point now = Clock::now();
    current_[static_cast<size_t>(stage)] += std::chrono::duration<double, std::milli>(now - last_).count();
    last_ = now;
}

void StageTimes::endFrame()
{
    if (!running_)
        return;
    running_ = false;
    double total = 0.0;
    for (int s = 0; s < kStageCount; ++s) {
        perStage_[static_cast<size_t>(s)].push_back(current_[static_cast<size_t>(s)]);
        total += current_[static_cast<size_t>(s)];
    }
    total_.push_back(total);
}

double StageTimes::medianMs(Stage stage) const { return medianOf(perStage_[static_cast<size_t>(stage)]); }

double StageTimes::medianFrameMs() const { return medianOf(total_); }

double StageTimes::share(Stage stage) const
{
    const double all = sumOf(total_);
    return all > 0.0 ? sumOf(perStage_[static_cast<size_t>(stage)]) / all : 0.0;
}

std::string StageTimes::table() const
{
    std::string text = "stage                    median ms/frame   share\n";
    char line[128];
    for (int s = 0; s < kStageCount; ++s) {
        const Stage stage = static_cast<Stage>(s);
        std::snprintf(line, sizeof line, "%-24s %15.3f %6.1f %%\n", stageName(stage), medianMs(stage),
                      100.0 * share(stage));
        text += line;
    }
    std::snprintf(line, sizeof line, "%-24s %15.3f %6.1f %%\n", "whole frame", medianFrameMs(), frames() ? 100.0 : 0.0);
    return text + line;
}
