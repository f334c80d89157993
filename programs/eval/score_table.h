#pragma once

// The tables tavo-eval writes: the printed table, --csv, and per tracker
// the evaluator's summary.txt and detailed.csv.

#include "evaluation/folder_layout.h"

#include <ostream>
#include <string>
#include <vector>

namespace tavo_eval_cli {

using tavo_eval::kCombinedName;
using tavo_eval::ScoreRow;

// The rows as aligned columns, a header first.
void printTable(std::ostream& out, const std::vector<ScoreRow>& rows);

// "tracker,sequence,HOTA,...,Success50" and a line per row.
void writeCsv(std::ostream& out, const std::vector<ScoreRow>& rows);

// summary.txt: the measures' names on one line, the combined row's values
// on the next, separated by spaces.
void writeSummary(std::ostream& out, const ScoreRow& combined);

// detailed.csv: "seq,HOTA,...", a line per sequence, the combined last.
void writeDetailed(std::ostream& out, const std::vector<ScoreRow>& sequences, const ScoreRow& combined);

}  // namespace tavo_eval_cli
