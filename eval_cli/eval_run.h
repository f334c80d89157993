#pragma once

// A tavo-eval run: reading the inputs, scoring, and writing the tables and
// the plot; the exit status.

#include "eval_cli/eval_options.h"

#include <ostream>

namespace tavo_eval_cli {

int runEvaluation(const EvalOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tavo_eval_cli
