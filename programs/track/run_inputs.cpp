#include "programs/track/run_inputs.h"

#include "core/demo_scenario.h"
#include "programs/track/file_names.h"
#include "programs/track/error_plot.h"
#include "programs/track/run.h"
#include "evaluation/text_input.h"

#include <iterator>
#include <map>
#include <set>
#include <sstream>

namespace tavo_cli {

using tavo_eval::InitialTarget;
using tavo_eval::MotRecord;
using tavo_eval::groupByFrame;
using tavo_eval::kNoIdentity;
using tavo_eval::readInitialTargets;
using tavo_eval::readMotRecords;
using tavo_eval::readTextInput;

std::optional<std::string> clashingFiles(const Options& o)
{
    static const std::string kNone;  // no input video with --camera
    const std::string errorPlot = o.plotFile.empty() || o.gtFile.empty() ? "" : errorPlotName(o.plotFile);
    const std::pair<const char*, const std::string*> outputs[] = {
        {"--mot", &o.motFile},   {"--estimates", &o.estimatesFile},        {"--video", &o.videoFile},
        {"--plot", &o.plotFile}, {"the error picture of --plot", &errorPlot}, {"--edits", &o.editsFile},
        {"--confidence-terms", &o.confidenceTermsFile}};
    const std::pair<const char*, const std::string*> inputs[] = {{"the input video", o.camera ? &kNone : &o.video},
                                                                 {"--targets", &o.targetsFile},
                                                                 {"--gt", &o.gtFile},
                                                                 {"--apply-edits", &o.applyEditsFile}};
    for (size_t i = 0; i < std::size(outputs); ++i) {
        const std::string& file = *outputs[i].second;
        if (file.empty())
            continue;
        for (const auto& [name, input] : inputs)
            if (!input->empty() && sameFile(file, *input))
                return std::string(outputs[i].first) + " '" + file + "' would overwrite " + name;
        for (size_t j = 0; j < i; ++j)
            if (!outputs[j].second->empty() && sameFile(file, *outputs[j].second))
                return std::string(outputs[i].first) + " and " + outputs[j].first + " name the same file '" + file +
                       "'";
    }
    return std::nullopt;
}

namespace {

// At most this many ids or lines are named in one warning.
constexpr size_t kNamedInWarning = 10;

// "a, b, c" for the first kNamedInWarning items, with how many more.
std::string textList(const std::vector<std::string>& items)
{
    std::string text;
    for (size_t i = 0; i < items.size() && i < kNamedInWarning; ++i)
        text += (i ? ", " : "") + items[i];
    if (items.size() > kNamedInWarning)
        text += " and " + std::to_string(items.size() - kNamedInWarning) + " more";
    return text;
}

std::string numberList(const std::vector<int>& numbers)
{
    std::vector<std::string> items;
    for (const int n : numbers)
        items.push_back(std::to_string(n));
    return textList(items);
}

bool readTargets(const Options& options, RunInputs& inputs, std::string& error)
{
    const auto text = readTextInput("--targets", "targets file", options.targetsFile, error);
    if (!text)
        return false;
    std::istringstream in(*text);
    const auto targets = readInitialTargets(in, options.targetsFile, error, options.start);
    if (!targets)
        return false;
    std::vector<int> ignoredLines;
    for (const InitialTarget& t : *targets) {
        inputs.boxes.push_back(t.box);
        inputs.ids.push_back(t.id);
        inputs.frames.push_back(t.frame);
        if (t.zeroConfidence)
            ignoredLines.push_back(t.line);
    }
    if (!ignoredLines.empty())
        inputs.warnings.push_back("'" + options.targetsFile + "' " + (ignoredLines.size() == 1 ? "line " : "lines ") +
                                  numberList(ignoredLines) +
                                  ": confidence 0, which marks rows to be ignored; tracked all the same");
    return true;
}

void warnAboutTruth(const Options& options, const std::vector<MotRecord>& records, RunInputs& inputs)
{
    if (records.empty()) {
        inputs.warnings.push_back("'" + options.gtFile + "' holds no boxes: no frame has an object to score, and "
                                  "every box tracked counts as a false positive");
        return;
    }
    std::vector<int> emptyLines;
    std::set<int> untracked;
    const std::set<int> tracked(inputs.ids.begin(), inputs.ids.end());
    std::map<std::pair<int, int>, int> lineOfIdInFrame;
    std::vector<std::string> repeated;
    for (const MotRecord& r : records) {
        if (r.box.width <= 0 || r.box.height <= 0)
            emptyLines.push_back(r.line);
        if (!tracked.count(r.id))
            untracked.insert(r.id);
        const auto [seen, fresh] = lineOfIdInFrame.emplace(std::make_pair(r.frame, r.id), r.line);
        if (!fresh && r.id != kNoIdentity)
            repeated.push_back("id " + std::to_string(r.id) + " on frame " + std::to_string(r.frame) + " (line " +
                               std::to_string(r.line) + ", first on line " + std::to_string(seen->second) + ")");
    }
    if (!repeated.empty())
        inputs.warnings.push_back("'" + options.gtFile + "' gives an object twice in a frame: " +
                                  textList(repeated) + "; each row counts as an object of its own");
    if (!untracked.empty())
        inputs.warnings.push_back("'" + options.gtFile + "': no target has the " +
                                  (untracked.size() == 1 ? "id " : "ids ") +
                                  numberList(std::vector<int>(untracked.begin(), untracked.end())) +
                                  "; their boxes count as misses");
    if (!emptyLines.empty())
        inputs.warnings.push_back("'" + options.gtFile + "' " + (emptyLines.size() == 1 ? "line " : "lines ") +
                                  numberList(emptyLines) +
                                  ": boxes without area, which no target can match");
}

}  // namespace

int loadInputs(const Options& options, RunInputs& inputs, std::string& error)
{
    if (!options.targetsFile.empty()) {
        if (!readTargets(options, inputs, error))
            return kExitRunError;
        if (inputs.frames.front() != options.start && !options.select) {
            error = "'" + options.targetsFile + "' has no box on frame " + std::to_string(options.start) +
                    ", the first frame tracked (its first boxes are on frame " +
                    std::to_string(inputs.frames.front()) + "): start there with --start " +
                    std::to_string(inputs.frames.front()) + ", or add targets with --select";
            return kExitUsage;
        }
        const int64_t fit = targetsThatFit(options.settings.tracking.samples);
        if (static_cast<int64_t>(inputs.boxes.size()) > fit) {
            error = "'" + options.targetsFile + "' gives " + std::to_string(inputs.boxes.size()) +
                    " targets, but with --samples " + std::to_string(options.settings.tracking.samples) + " at most " +
                    std::to_string(fit) + " fit in the sample store";
            return kExitUsage;
        }
    } else {
        inputs.boxes = options.boxes;
        if (inputs.boxes.empty() && !options.select)
            inputs.boxes.assign(std::begin(kDemoTargets), std::end(kDemoTargets));
        for (size_t i = 0; i < inputs.boxes.size(); ++i)
            inputs.ids.push_back(options.boxIds.empty() ? static_cast<int>(i) + 1 : options.boxIds[i]);
        inputs.frames.assign(inputs.boxes.size(), options.start);
    }

    if (!options.gtFile.empty()) {
        const auto text = readTextInput("--gt", "ground-truth file", options.gtFile, error);
        if (!text)
            return kExitRunError;
        std::istringstream in(*text);
        const auto records = readMotRecords(in, options.gtFile, error);
        if (!records)
            return kExitRunError;
        warnAboutTruth(options, *records, inputs);
        inputs.truth = groupByFrame(*records);
    }
    return kExitSuccess;
}

}  // namespace tavo_cli
