#pragma once

// The minimum-cost assignment, now part of the evaluation library, under
// the name the command's scoring uses.

#include "evaluation/assignment.h"

namespace tavo_cli {

using tavo_eval::minimumCostAssignment;

}  // namespace tavo_cli
