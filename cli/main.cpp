// tavo-track: the TAVO tracker as a command, without a window unless
// --select or --show asks for one.  Tracks targets through a video and
// writes the results as files; see --help.

#include "cli/options.h"
#include "cli/run.h"

#include <opencv2/core.hpp>
#include <opencv2/core/utils/logger.hpp>

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    using namespace tavo_cli;
    try {
        // Only this command's own messages are shown.
        cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);

        const ParseResult parsed = parseOptions(argc, argv);
        switch (parsed.action) {
        case ParseResult::Action::Help:
            std::fputs(usageText().c_str(), stdout);
            return std::fflush(stdout) == 0 ? kExitSuccess : kExitRunError;
        case ParseResult::Action::Version:
            std::fputs(versionText().c_str(), stdout);
            return std::fflush(stdout) == 0 ? kExitSuccess : kExitRunError;
        case ParseResult::Action::UsageError:
            std::fprintf(stderr, "tavo-track: %s\nTry 'tavo-track --help' for more information.\n",
                         parsed.error.c_str());
            return kExitUsage;
        case ParseResult::Action::Run:
            break;
        }
        return runTracking(parsed.options, stdout, stderr);
    } catch (const cv::Exception& e) {
        std::fprintf(stderr, "tavo-track: OpenCV error: %s\n", e.err.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavo-track: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "tavo-track: unexpected error\n");
    }
    return kExitRunError;
}
