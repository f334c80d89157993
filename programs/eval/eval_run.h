#pragma once

// A tavo-eval run: reading the inputs, scoring, and writing the tables and
// the plot; the exit status.

#include "evaluation/folder_layout.h"
#include "programs/eval/eval_options.h"
#include "programs/eval/score_table.h"

#include <ostream>
#include <vector>

namespace tavo_eval_cli {

// An input that cannot be scored; tavo-eval prints "tavo-eval: MESSAGE".
using EvalInputError = tavo_eval::EvaluationInputError;
using tavo_eval::Warnings;

int runEvaluation(const EvalOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tavo_eval_cli
