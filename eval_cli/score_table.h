#pragma once

// The tables tavo-eval writes: the printed table, --csv, and per tracker
// the evaluator's summary.txt and detailed.csv.

#include "evaluation/evaluation.h"

#include <ostream>
#include <string>
#include <vector>

namespace tavo_eval_cli {

// One row: a tracker on a sequence, or on all of them ("COMBINED").
struct ScoreRow {
    std::string tracker;
    std::string sequence;
    tavo_eval::Evaluation evaluation;
};

inline const char* const kCombinedName = "COMBINED";

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
