#pragma once

// A tavo-eval run: reading the inputs, scoring, and writing the tables and
// the plot; the exit status.

#include "eval_cli/eval_inputs.h"
#include "eval_cli/eval_options.h"
#include "eval_cli/score_table.h"

#include <ostream>
#include <stdexcept>
#include <vector>

namespace tavo_eval_cli {

// An input that cannot be scored; tavo-eval prints "tavo-eval: MESSAGE".
struct EvalInputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The evaluator's folder layout (options.truthFolder, trackersFolder and
// seqmapFile) scored: per tracker, in name order, a row per sequence and
// then its COMBINED row.  Writes nothing; throws EvalInputError.
std::vector<ScoreRow> scoreFolderLayout(const EvalOptions& options, Warnings& warnings);

int runEvaluation(const EvalOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tavo_eval_cli
