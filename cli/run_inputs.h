#pragma once

// What a run reads before it tracks: where its files are, its targets and
// its ground truth.

#include "cli/mot_file.h"
#include "cli/options.h"

#include <optional>
#include <string>
#include <vector>

namespace tavo_cli {

// An output that would overwrite an input or another output, as a message.
std::optional<std::string> clashingFiles(const Options& options);

struct RunInputs {
    std::vector<Box> boxes;            // the targets on the first frame
    std::vector<int> ids;              // theirs: a targets file's, otherwise 1, 2, ...
    std::optional<GroundTruth> truth;  // with --gt
    std::vector<std::string> warnings;  // about inputs that are used all the same
};

// The targets (--box, a targets file, or the demo's nine unless --select
// picks them) and the ground truth.  Returns the exit status: success, or a
// run-time or usage error with `error` set.  Warns about targets with
// confidence 0, ground-truth ids that no target has and ground-truth boxes
// without area.
int loadInputs(const Options& options, RunInputs& inputs, std::string& error);

}  // namespace tavo_cli
