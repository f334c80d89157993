#pragma once

#include "programs/track/options.h"

#include <cstdio>

namespace tavo_cli {

// Exit statuses of the command.
constexpr int kExitSuccess = 0;
constexpr int kExitRunError = 1;
constexpr int kExitUsage = 2;

// Runs the tracker over the video as the options say.  The summary and the
// score report go to `out` (null: the standard output is closed, which
// fails the run if anything is to be printed), the progress line and every
// message to `err`.  Returns the exit status.  Result files replace their
// targets only when the run succeeds, is interrupted (then with exit status
// 128 + the signal), or stops at a frame of another size; they then hold
// whole frames up to the last tracked one.  Otherwise every earlier file is
// left as it was.
int runTracking(const Options& options, std::FILE* out, std::FILE* err);

}  // namespace tavo_cli
