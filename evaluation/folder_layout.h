#pragma once

// The evaluator's folder layout scored: a ground-truth folder of sequences
// (SEQ/gt/gt.txt and SEQ/seqinfo.ini), a trackers folder of results
// (TRACKER/data/SEQ.txt), optionally a seqmap naming the sequences.

#include "evaluation/box_files.h"
#include "evaluation/evaluation.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace tavo_eval {

// One row: a tracker on a sequence, or on all of them ("COMBINED").
struct ScoreRow {
    std::string tracker;
    std::string sequence;
    Evaluation evaluation;
};

inline const char* const kCombinedName = "COMBINED";

// An input that cannot be scored, with the file and the reason.
struct EvaluationInputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct FolderLayout {
    std::string truthFolder;
    std::string trackersFolder;
    std::string seqmapFile;  // empty: every sequence of truthFolder
    // How messages name the two folders: the caller's option or keyword.
    std::string truthLabel;
    std::string trackersLabel;
};

// The boxes of a MOTChallenge file as loadBoxes reads them; throws
// EvaluationInputError instead of returning nothing.
std::vector<EvalRecord> loadCheckedBoxes(const std::string& path, int length, const std::string& lengthSource,
                                         Warnings& warnings);

// Per tracker, in name order, a row per sequence and then its COMBINED
// row.  Writes nothing; throws EvaluationInputError.
std::vector<ScoreRow> scoreFolderLayout(const FolderLayout& layout, Warnings& warnings);

}  // namespace tavo_eval
