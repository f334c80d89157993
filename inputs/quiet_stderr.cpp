#include "inputs/quiet_stderr.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

QuietStderr::QuietStderr()
{
    std::fflush(stderr);
    const int sink = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (sink < 0)
        return;
    saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (saved_ >= 0 && ::dup2(sink, STDERR_FILENO) < 0) {
        ::close(saved_);
        saved_ = -1;
    }
    ::close(sink);
}

QuietStderr::~QuietStderr()
{
    if (saved_ < 0)
        return;
    std::fflush(stderr);
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
}
