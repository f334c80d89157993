// tavo-track: the TAVO tracker as a command, without a window unless
// --select or --show asks for one.  Tracks targets through a video and
// writes the results as files; see --help.

#include "programs/track/interrupts.h"
#include "programs/track/options.h"
#include "programs/track/run.h"

#include <opencv2/core.hpp>
#include <opencv2/core/utils/logger.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A standard stream the caller closed would be taken by the first file the
// run opens, and the summary written into that file.  Each closed one is
// held open on /dev/null instead; returns whether standard output was open.
bool holdStandardStreams()
{
    bool outputOpen = true;
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        if (fd == 1)
            outputOpen = false;
        const int held = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (held != fd && held >= 0)
            ::close(held);  // a lower descriptor was free after all
    }
    return outputOpen;
}

// Prints the help or version text; the exit status.
int printText(const std::string& text, bool outputOpen)
{
    errno = outputOpen ? 0 : EBADF;
    if (outputOpen && std::fputs(text.c_str(), stdout) != EOF && std::fflush(stdout) == 0)
        return tavo_cli::kExitSuccess;
    std::fprintf(stderr, "tavo-track: cannot write the standard output: %s\n", std::strerror(errno ? errno : EIO));
    return tavo_cli::kExitRunError;
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace tavo_cli;
    try {
        const bool outputOpen = holdStandardStreams();
        // Only this command's own messages are shown.
        cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);

        // Alone, away from the demo's video, the command is shown how to use.
        if (argc <= 1 && ::access(kDemoVideoName, F_OK) != 0) {
            std::fputs(usageText().c_str(), stderr);
            return kExitUsage;
        }
        const ParseResult parsed = parseOptions(argc, argv);
        switch (parsed.action) {
        case ParseResult::Action::Help:
            return printText(usageText(), outputOpen);
        case ParseResult::Action::Version:
            return printText(versionText(), outputOpen);
        case ParseResult::Action::UsageError:
            std::fprintf(stderr, "tavo-track: %s\nTry 'tavo-track --help' for more information.\n",
                         parsed.error.c_str());
            return kExitUsage;
        case ParseResult::Action::Run:
            break;
        }
        catchInterrupts();
        return runTracking(parsed.options, outputOpen ? stdout : nullptr, stderr);
    } catch (const cv::Exception& e) {
        std::fprintf(stderr, "tavo-track: OpenCV error: %s\n", e.err.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavo-track: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "tavo-track: unexpected error\n");
    }
    return kExitRunError;
}
