#pragma once

// While an object of this class lives, whatever is written to the process's
// standard error (file descriptor 2) is discarded.  The video libraries
// below OpenCV print their own diagnostics there (damaged frames, encoder
// remarks); our programs report problems in their own words, or not at all.

class QuietStderr {
public:
    QuietStderr();
    ~QuietStderr();
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};
