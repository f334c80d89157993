#pragma once

// Command line of tavo-eval: which results are scored against which
// ground truth, and where the tables and the plot go.

#include <string>
#include <vector>

namespace tavo_eval_cli {

constexpr int kExitSuccess = 0;
constexpr int kExitInputError = 1;  // a file missing, malformed or not written
constexpr int kExitUsageError = 2;

struct EvalOptions {
    // One sequence: --gt FILE and the result files after it.
    std::string truthFile;
    std::vector<std::string> resultFiles;
    // The evaluator's folder layout.
    std::string truthFolder;     // --gt-folder
    std::string trackersFolder;  // --trackers-folder
    std::string seqmapFile;      // --seqmap; empty: every sequence of --gt-folder
    std::string csvFile;         // --csv
    std::string plotFile;        // --plot
    bool folders() const { return !truthFolder.empty(); }
};

struct EvalParse {
    enum class Action { Run, Help, UsageError };
    Action action = Action::Run;
    EvalOptions options;
    std::string error;  // with UsageError
};

EvalParse parseEvalOptions(const std::vector<std::string>& args);

std::string evalHelpText();

}  // namespace tavo_eval_cli
