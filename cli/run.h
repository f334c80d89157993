#pragma once

#include "cli/options.h"

#include <cstdio>

namespace tavo_cli {

// Exit statuses of the command.
constexpr int kExitSuccess = 0;
constexpr int kExitRunError = 1;
constexpr int kExitUsage = 2;

// Runs the tracker over the video as the options say.  The summary and the
// score report go to `out`, the progress line and every message to `err`.
// Returns the exit status.  Output files are complete up to the last tracked
// frame whenever the run stops, with an error or not.
int runTracking(const Options& options, std::FILE* out, std::FILE* err);

}  // namespace tavo_cli
