#include "evaluation/folder_layout.h"

#include <filesystem>

namespace tavo_eval {

namespace fs = std::filesystem;

namespace {

using Records = std::vector<EvalRecord>;
using InputError = EvaluationInputError;

struct Sequence {
    std::string name;
    std::string seqinfo;
    int length = 0;
    Records truth;
};

std::vector<std::string> sequenceNames(const FolderLayout& l)
{
    if (!l.seqmapFile.empty()) {
        std::string error;
        const auto named = readSeqmap(l.seqmapFile, error);
        if (!named)
            throw InputError{error};
        return *named;
    }
    std::vector<std::string> names = sequencesIn(l.truthFolder);
    if (names.empty())
        throw InputError{l.truthLabel + " " + l.truthFolder + ": no sequence (no SEQ/gt/gt.txt in it)"};
    return names;
}

std::vector<Sequence> readSequences(const FolderLayout& l, Warnings& warnings)
{
    if (!fs::is_directory(l.truthFolder))
        throw InputError{l.truthLabel + " " + l.truthFolder + ": not a folder"};
    std::vector<Sequence> sequences;
    for (const std::string& name : sequenceNames(l)) {
        const fs::path folder = fs::path(l.truthFolder) / name;
        const std::string gt = (folder / "gt" / "gt.txt").string();
        if (!fs::is_regular_file(gt))
            throw InputError{"sequence " + name + ": " + gt + " is missing" +
                             (l.seqmapFile.empty() ? std::string() : " (the sequence is named in " + l.seqmapFile + ")")};
        Sequence s{name, (folder / "seqinfo.ini").string(), 0, {}};
        std::string error;
        const auto length = sequenceLength(s.seqinfo, error);
        if (!length)
            throw InputError{"sequence " + name + ": " + error};
        s.length = *length;
        s.truth = loadCheckedBoxes(gt, s.length, s.seqinfo, warnings);
        sequences.push_back(std::move(s));
    }
    return sequences;
}

}  // namespace

std::vector<EvalRecord> loadCheckedBoxes(const std::string& path, int length, const std::string& lengthSource,
                                         Warnings& warnings)
{
    std::string error;
    auto boxes = loadBoxes(path, length, lengthSource, error, warnings);
    if (!boxes)
        throw InputError{error};
    return std::move(*boxes);
}

std::vector<ScoreRow> scoreFolderLayout(const FolderLayout& l, Warnings& warnings)
{
    const std::vector<Sequence> sequences = readSequences(l, warnings);
    if (!fs::is_directory(l.trackersFolder))
        throw InputError{l.trackersLabel + " " + l.trackersFolder + ": not a folder"};
    const std::vector<std::string> trackers = trackersIn(l.trackersFolder, warnings);
    if (trackers.empty())
        throw InputError{l.trackersLabel + " " + l.trackersFolder + ": no tracker (no TRACKER/data/ folder in it)"};
    std::vector<ScoreRow> rows;
    for (const std::string& tracker : trackers) {
        const fs::path folder = fs::path(l.trackersFolder) / tracker;
        std::vector<Evaluation> evaluations;
        for (const Sequence& s : sequences) {
            const std::string path = (folder / "data" / (s.name + ".txt")).string();
            if (!fs::exists(path))
                throw InputError{"tracker " + tracker + ": " + path + " is missing (sequence " + s.name +
                                 "; a tracker without boxes there needs an empty file)"};
            const Records result = loadCheckedBoxes(path, s.length, s.seqinfo, warnings);
            rows.push_back({tracker, s.name, evaluateSequence(s.truth, result)});
            evaluations.push_back(rows.back().evaluation);
        }
        rows.push_back({tracker, kCombinedName, combineSequences(evaluations)});
    }
    return rows;
}

}  // namespace tavo_eval
