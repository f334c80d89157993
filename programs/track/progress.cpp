#include "programs/track/progress.h"

#include <unistd.h>

namespace tavo_cli {

namespace {

// A terminal's line changes at most this often; a log gets a line this
// often, the first once the run has taken that long.
constexpr std::chrono::milliseconds kTerminalInterval(200);
constexpr std::chrono::seconds kLogInterval(10);

}  // namespace

Progress::Kind Progress::kindFor(bool shown, std::FILE* err)
{
    if (!shown)
        return Kind::None;
    return ::isatty(::fileno(err)) ? Kind::Terminal : Kind::Log;
}

Progress::Progress(Kind kind, int totalFrames, std::FILE* err, std::function<Clock::time_point()> now)
    : kind_(kind), total_(totalFrames), err_(err), now_(std::move(now)),
      // A terminal shows frame 1 at once.
      last_(kind == Kind::Terminal ? now_() - kTerminalInterval : now_())
{
}

void Progress::update(int frameNumber, const FrameTimes& times)
{
    if (kind_ == Kind::None)
        return;
    const Clock::time_point now = now_();
    if (now - last_ < (kind_ == Kind::Terminal ? Clock::duration(kTerminalInterval) : Clock::duration(kLogInterval)))
        return;
    last_ = now;
    const double rate = times.totalSeconds() > 0 ? times.frames() / times.totalSeconds() : 0.0;
    const std::string line = progressLine(frameNumber, total_, rate);
    if (kind_ == Kind::Terminal)
        std::fprintf(err_, "\r%s\033[K", line.c_str());
    else
        std::fprintf(err_, "tavo-track: %s\n", line.c_str());
    std::fflush(err_);
}

void Progress::clear()
{
    if (kind_ != Kind::Terminal)
        return;
    std::fprintf(err_, "\r\033[K");
    std::fflush(err_);
}

}  // namespace tavo_cli
