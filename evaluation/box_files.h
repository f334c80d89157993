#pragma once

// Reading what is scored: MOTChallenge box files, checked so that a
// fault is reported rather than scored as a zero, and the evaluator's
// folder layout (sequences, their lengths, trackers).

#include "evaluation/records.h"

#include <optional>
#include <string>
#include <vector>

namespace tavo_eval {

// Messages for the user, about inputs that are scored all the same.
using Warnings = std::vector<std::string>;

// The boxes of a MOTChallenge file.  `length` > 0: frames must lie in
// 1..length (the sequence's seqLength from `lengthSource`).  Errors
// ("FILE:LINE: reason") for a malformed line, a frame outside the
// sequence, an id given twice on a frame; a warning for a file without
// boxes.
std::optional<std::vector<tavo_eval::EvalRecord>> loadBoxes(const std::string& path, int length,
                                                            const std::string& lengthSource, std::string& error,
                                                            Warnings& warnings);

// The frame count seqinfo.ini gives ("seqLength=N"); nothing with `error`
// set when the file is missing or gives none.
std::optional<int> sequenceLength(const std::string& seqinfo, std::string& error);

// For --gt FILE: the seqinfo.ini of its sequence (beside it, or one folder
// up as in SEQ/gt/gt.txt), empty when there is none.
std::string seqinfoNear(const std::string& truthFile);

// The sequence's name for a ground-truth file: SEQ for SEQ/gt/gt.txt,
// otherwise the file's name without its extension.
std::string sequenceNameOf(const std::string& truthFile);

// The sequences named by a seqmap (a "name" header, a name a line).
std::optional<std::vector<std::string>> readSeqmap(const std::string& path, std::string& error);

// Without a seqmap: the folders of `truthFolder` holding gt/gt.txt, sorted.
std::vector<std::string> sequencesIn(const std::string& truthFolder);

// The folders of `trackersFolder` holding data/, sorted; a warning for
// each other folder.
std::vector<std::string> trackersIn(const std::string& trackersFolder, Warnings& warnings);

}  // namespace tavo_eval
