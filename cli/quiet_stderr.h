#pragma once

// While an object of this class lives, whatever is written to the process's
// standard error (file descriptor 2) is discarded.  Video libraries below
// OpenCV print their own diagnostics there; the command reports problems in
// its own words instead.
namespace tavo_cli {

class QuietStderr {
public:
    QuietStderr();
    ~QuietStderr();
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};

}  // namespace tavo_cli
