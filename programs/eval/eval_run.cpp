#include "programs/eval/eval_run.h"

#include "programs/eval/curve_plot.h"
#include "programs/eval/score_table.h"

#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

namespace tavo_eval_cli {

namespace fs = std::filesystem;

namespace {

using Records = std::vector<tavo_eval::EvalRecord>;
using InputError = EvalInputError;
using tavo_eval::loadCheckedBoxes;
using tavo_eval::scoreFolderLayout;
using tavo_eval::seqinfoNear;
using tavo_eval::sequenceLength;
using tavo_eval::sequenceNameOf;

// Without the sequence's length, a result past the truth's last frame is
// scored (as false positives) but pointed out.
void warnPastTruth(const Records& truth, const Records& result, const std::string& resultPath, Warnings& warnings)
{
    int last = 0;
    for (const auto& r : truth)
        last = std::max(last, r.frame);
    const auto past = std::count_if(result.begin(), result.end(), [&](const auto& r) { return r.frame > last; });
    if (past > 0 && !truth.empty())
        warnings.push_back(resultPath + ": " + std::to_string(past) + (past == 1 ? " box" : " boxes") +
                           " on frames after the ground truth's last (" +
                           std::to_string(last) + "), scored as false positives");
}

// The name of each result file: its name without extension, or the path
// as given when two share that name.
std::vector<std::string> resultNames(const std::vector<std::string>& paths)
{
    std::vector<std::string> names;
    for (const auto& p : paths)
        names.push_back(fs::path(p).stem().string());
    for (size_t i = 0; i < names.size(); ++i)
        if (std::count(names.begin(), names.end(), names[i]) > 1)
            for (size_t j = 0; j < names.size(); ++j)
                if (j != i && fs::path(paths[j]).stem().string() == fs::path(paths[i]).stem().string())
                    names[j] = paths[j];
    return names;
}

std::vector<ScoreRow> scoreFiles(const EvalOptions& o, Warnings& warnings)
{
    const std::string seqinfo = seqinfoNear(o.truthFile);
    int length = 0;
    if (!seqinfo.empty()) {
        std::string error;
        const auto n = sequenceLength(seqinfo, error);
        if (!n)
            throw InputError{error};
        length = *n;
    }
    const Records truth = loadCheckedBoxes(o.truthFile, length, seqinfo, warnings);
    const std::string sequence = sequenceNameOf(o.truthFile);
    const std::vector<std::string> names = resultNames(o.resultFiles);
    std::vector<ScoreRow> rows;
    for (size_t i = 0; i < o.resultFiles.size(); ++i) {
        const Records result = loadCheckedBoxes(o.resultFiles[i], length, seqinfo, warnings);
        if (length == 0)
            warnPastTruth(truth, result, o.resultFiles[i], warnings);
        rows.push_back({names[i], sequence, tavo_eval::evaluateSequence(truth, result)});
    }
    return rows;
}

void writeFile(const std::string& path, const std::string& what, const std::function<void(std::ostream&)>& write)
{
    std::ofstream out(path, std::ios::binary);
    if (out)
        write(out);
    out.flush();
    if (!out)
        throw InputError{what + " " + path + ": cannot write: " + std::strerror(errno ? errno : EIO)};
}

}  // namespace

namespace {

tavo_eval::FolderLayout folderLayout(const EvalOptions& o)
{
    return {o.truthFolder, o.trackersFolder, o.seqmapFile, "--gt-folder", "--trackers-folder"};
}

// Per tracker, the evaluator's summary.txt and detailed.csv in its folder.
std::vector<ScoreRow> scoreFolders(const EvalOptions& o, Warnings& warnings)
{
    const std::vector<ScoreRow> rows = scoreFolderLayout(folderLayout(o), warnings);
    std::vector<ScoreRow> perSequence;
    for (const ScoreRow& row : rows) {
        if (row.sequence != kCombinedName) {
            perSequence.push_back(row);
            continue;
        }
        const fs::path folder = fs::path(o.trackersFolder) / row.tracker;
        writeFile((folder / "summary.txt").string(), "summary", [&](std::ostream& out) { writeSummary(out, row); });
        writeFile((folder / "detailed.csv").string(), "details", [&](std::ostream& out) {
            writeDetailed(out, perSequence, row);
        });
        perSequence.clear();
    }
    return rows;
}

void writePlot(const EvalOptions& o, const std::vector<ScoreRow>& rows)
{
    std::vector<PlottedTracker> lines;
    for (const ScoreRow& row : rows)
        if (!o.folders() || row.sequence == kCombinedName)
            lines.push_back({row.tracker, tavo_eval::meanCurves(row.evaluation.targets)});
    bool written = false;
    try {
        written = cv::imwrite(o.plotFile, drawCurvePlot(lines));
    } catch (const cv::Exception&) {
        written = false;
    }
    if (!written)
        throw InputError{"--plot " + o.plotFile + ": cannot write the picture (is its folder there and writable?)"};
}

}  // namespace

int runEvaluation(const EvalOptions& o, std::ostream& out, std::ostream& err)
{
    Warnings warnings;
    const auto flushWarnings = [&] {
        for (const std::string& w : warnings)
            err << "tavo-eval: warning: " << w << '\n';
        warnings.clear();
    };
    try {
        const std::vector<ScoreRow> rows = o.folders() ? scoreFolders(o, warnings) : scoreFiles(o, warnings);
        flushWarnings();
        printTable(out, rows);
        out.flush();
        if (!o.csvFile.empty())
            writeFile(o.csvFile, "--csv", [&](std::ostream& csv) { writeCsv(csv, rows); });
        if (!o.plotFile.empty())
            writePlot(o, rows);
    } catch (const InputError& e) {
        flushWarnings();
        err << "tavo-eval: " << e.what() << '\n';
        return kExitInputError;
    }
    return kExitSuccess;
}

}  // namespace tavo_eval_cli
