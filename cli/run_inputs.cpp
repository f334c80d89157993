#include "cli/run_inputs.h"

#include "app/demo_scenario.h"
#include "cli/error_plot.h"
#include "cli/run.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tavo_cli {

namespace {

// Whether two names lead to the same file, existing or to be created.
bool sameFile(const std::string& a, const std::string& b)
{
    if (a == b)
        return true;
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec) && !ec)
        return true;
    const auto normal = [&ec](const std::string& name) {
        const auto absolute = std::filesystem::absolute(name, ec);
        return ec ? std::filesystem::path(name) : std::filesystem::weakly_canonical(absolute, ec);
    };
    const auto canonicalA = normal(a);
    const auto canonicalB = normal(b);
    return !ec && canonicalA == canonicalB;
}

}  // namespace

std::optional<std::string> clashingFiles(const Options& o)
{
    const std::string errorPlot = o.plotFile.empty() || o.gtFile.empty() ? "" : errorPlotName(o.plotFile);
    const std::pair<const char*, const std::string*> outputs[] = {
        {"--mot", &o.motFile},   {"--estimates", &o.estimatesFile},        {"--video", &o.videoFile},
        {"--plot", &o.plotFile}, {"the error picture of --plot", &errorPlot}};
    const std::pair<const char*, const std::string*> inputs[] = {
        {"the input video", &o.video}, {"--targets", &o.targetsFile}, {"--gt", &o.gtFile}};
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

int loadInputs(const Options& options, RunInputs& inputs, std::string& error)
{
    inputs.boxes = options.boxes;
    if (!options.targetsFile.empty()) {
        std::ifstream in(options.targetsFile, std::ios::binary);
        if (!in) {
            error = "cannot read the targets file '" + options.targetsFile + "': " + std::strerror(errno);
            return kExitRunError;
        }
        auto read = readInitialBoxes(in, options.targetsFile, error);
        if (!read)
            return kExitRunError;
        inputs.boxes = std::move(*read);
        const int64_t fit = targetsThatFit(options.samples);
        if (static_cast<int64_t>(inputs.boxes.size()) > fit) {
            error = "'" + options.targetsFile + "' gives " + std::to_string(inputs.boxes.size()) +
                    " targets, but with --samples " + std::to_string(options.samples) + " at most " +
                    std::to_string(fit) + " fit in the sample store";
            return kExitUsage;
        }
    } else if (inputs.boxes.empty() && !options.select) {
        inputs.boxes.assign(std::begin(kDemoTargets), std::end(kDemoTargets));
    }

    if (!options.gtFile.empty()) {
        std::ifstream in(options.gtFile, std::ios::binary);
        if (!in) {
            error = "cannot read the ground-truth file '" + options.gtFile + "': " + std::strerror(errno);
            return kExitRunError;
        }
        const auto records = readMotRecords(in, options.gtFile, error);
        if (!records)
            return kExitRunError;
        inputs.truth = groupByFrame(*records);
    }
    return kExitSuccess;
}

}  // namespace tavo_cli
