#include "programs/track/options.h"

#include "programs/track/option_table.h"

#include <algorithm>
#include <set>
#include <utility>

namespace tavo_cli {

namespace {

ParseResult usageError(std::string message)
{
    ParseResult r;
    r.action = ParseResult::Action::UsageError;
    r.error = std::move(message);
    return r;
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }

bool isDemoVideo(const Options& o)
{
    const auto slash = o.video.find_last_of('/');
    return !o.camera && o.video.substr(slash == std::string::npos ? 0 : slash + 1) == kDemoVideoName;
}

// A run that names no targets: only the demo's video has targets of its own.
std::optional<std::string> missingTargets(const Options& o)
{
    if (!o.boxes.empty() || !o.targetsFile.empty() || o.select || o.demoTargets || isDemoVideo(o))
        return std::nullopt;
    const std::string input = o.camera ? "--camera " + std::to_string(*o.camera) : quoted(o.video);
    return input + ": no targets given: name them with --box, --targets or --select (--demo-targets tracks "
                   "the demo's nine)";
}

// Options that cannot go together, or more targets than fit.
std::optional<std::string> combinationProblem(const Options& o, bool videoGiven)
{
    if (!o.boxIds.empty() && o.boxIds.size() != o.boxes.size())
        return "--box and --box-id cannot be combined";
    if (!o.boxes.empty() && !o.targetsFile.empty())
        return std::string(o.boxIds.empty() ? "--box" : "--box-id") + " and --targets cannot be combined";
    if (o.demoTargets && (!o.boxes.empty() || !o.targetsFile.empty()))
        return "--demo-targets cannot be combined with --box or --targets";
    if (o.camera && videoGiven)
        return "--camera " + std::to_string(*o.camera) + " and the video " + quoted(o.video) +
               " cannot be combined: one input at a time";
    if (!o.confidenceTermsFile.empty() && o.settings.confidence.kind != ConfidenceKind::Calibrated)
        return "--confidence-terms needs --confidence calibrated (set by --robust): the likelihood has no terms";
    if (const auto missing = missingTargets(o))
        return missing;
    const int samples = o.settings.tracking.samples;
    const int64_t fit = targetsThatFit(samples);
    if (static_cast<int64_t>(o.boxes.size()) > fit)
        return std::to_string(o.boxes.size()) + " targets given, but with --samples " +
               std::to_string(samples) + " at most " + std::to_string(fit) + " fit in the sample store";
    return std::nullopt;
}

// The settings given, in order, to be set again over the preset.
using SettingsGiven = std::vector<std::pair<const Option*, std::string>>;

// --robust: the preset, then every setting given over it.
void applyPreset(Options& o, const SettingsGiven& settingsGiven, bool drawGiven)
{
    Options preset;
    preset.settings = robustSettings();
    for (const auto& [option, value] : settingsGiven)
        option->set(preset, value);  // accepted before
    o.settings = preset.settings;
    if (!drawGiven)
        o.drawing = DrawingStyle::Boxes;  // the preset's drawing, unless --draw says otherwise
}

}  // namespace

std::vector<OptionName> optionNames()
{
    std::vector<OptionName> names;
    for (const Option& o : optionTable())
        names.push_back({o.name, o.shortName, o.takesValue()});
    return names;
}

ParseResult parseOptions(int argc, const char* const* argv)
{
    ParseResult result;
    Options& o = result.options;
    bool videoGiven = false;
    bool optionsEnded = false;
    std::set<const Option*> given;
    SettingsGiven settingsGiven;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] ? argv[i] : "";
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (arg.empty())
                return usageError("the video file name is empty");
            if (videoGiven)
                return usageError("unexpected argument " + quoted(arg) + ": only one video can be given");
            o.video = arg;
            videoGiven = true;
            continue;
        }

        // "--name=value" or "--name value".
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (arg.rfind("--", 0) == 0) {
            const auto eq = arg.find('=');
            if (eq != std::string::npos) {
                name = arg.substr(0, eq);
                inlineValue = arg.substr(eq + 1);
            }
        }
        const Option* option = findOption(name);
        if (!option)
            return usageError("unknown option " + quoted(name));

        std::string value;
        if (!option->takesValue()) {
            if (inlineValue)
                return usageError("option " + name + " takes no value");
        } else if (inlineValue) {
            value = *inlineValue;
        } else {
            if (i + 1 >= argc)
                return usageError("option " + name + " needs a value");
            value = argv[++i] ? argv[i] : "";
        }
        if (option->action != ParseResult::Action::Run) {
            result.action = option->action;
            return result;
        }
        if (!given.insert(option).second && option->takesValue() && !option->repeatable)
            return usageError("option " + name + " is given more than once");

        if (const Refusal why = option->set(o, value))
            return usageError(name + " " + quoted(value) + ": " + *why);
        if (option->setting)
            settingsGiven.emplace_back(option, value);
    }

    if (o.robust)
        applyPreset(o, settingsGiven, given.count(findOption("--draw")) > 0);
    for (const SettingProblem& problem : settingProblems(o.settings))
        return usageError("--" + problem.setting + " " + quoted(problem.value) + ": expected " + problem.expected);

    if (const auto problem = combinationProblem(o, videoGiven))
        return usageError(*problem);
    return result;
}


}  // namespace tavo_cli
