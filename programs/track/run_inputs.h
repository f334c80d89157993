#pragma once

// What a run reads before it tracks: where its files are, its targets and
// its ground truth.

#include "evaluation/mot_file.h"
#include "programs/track/options.h"

#include <optional>
#include <string>
#include <vector>

namespace tavo_cli {

using tavo_eval::GroundTruth;

// An output that would overwrite an input or another output, as a message.
std::optional<std::string> clashingFiles(const Options& options);

struct RunInputs {
    // The targets, those of the first frame tracked first, then the later
    // ones of a targets file by the frame they start on.
    std::vector<Box> boxes;            // each on its first frame
    std::vector<int> ids;              // theirs: a targets file's, otherwise 1, 2, ...
    std::vector<int> frames;           // the video's frame each starts on: --start, or later
    std::optional<GroundTruth> truth;  // with --gt
    std::vector<std::string> warnings;  // about inputs that are used all the same
};

// The targets (--box, a targets file, or the demo's nine unless --select
// picks them) and the ground truth.  A targets file with no box on the
// first frame tracked is refused unless --select adds some there.  Returns the exit status: success, or a
// run-time or usage error with `error` set.  Warns about targets with
// confidence 0, ground-truth ids that no target has and ground-truth boxes
// without area.
int loadInputs(const Options& options, RunInputs& inputs, std::string& error);

}  // namespace tavo_cli
