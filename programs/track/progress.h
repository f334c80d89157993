#pragma once

// The progress of a run on stderr: on a terminal one line rewritten at most
// five times a second, elsewhere (a log file, a pipe) a plain line every
// ten seconds, so that a log shows a long run is alive without filling up.

#include "programs/track/timing.h"

#include <chrono>
#include <cstdio>
#include <functional>

namespace tavo_cli {

class Progress {
public:
    enum class Kind { None, Terminal, Log };
    // The kind for a stream: Terminal when it is one, Log otherwise; None
    // when not `shown`.
    static Kind kindFor(bool shown, std::FILE* err);

    using Clock = std::chrono::steady_clock;
    // `now` tells the time (tests pass their own).
    Progress(Kind kind, int totalFrames, std::FILE* err, std::function<Clock::time_point()> now = Clock::now);
    void update(int frameNumber, const FrameTimes& times);
    // Removes a terminal's line before the summary.
    void clear();

private:
    Kind kind_;
    int total_;
    std::FILE* err_;
    std::function<Clock::time_point()> now_;
    Clock::time_point last_;
};

}  // namespace tavo_cli
