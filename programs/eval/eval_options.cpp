#include "programs/eval/eval_options.h"

namespace tavo_eval_cli {

namespace {

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The options taking a value, and where each value goes.
std::string* valueOf(EvalOptions& o, const std::string& name)
{
    if (name == "--gt")
        return &o.truthFile;
    if (name == "--gt-folder")
        return &o.truthFolder;
    if (name == "--trackers-folder")
        return &o.trackersFolder;
    if (name == "--seqmap")
        return &o.seqmapFile;
    if (name == "--csv")
        return &o.csvFile;
    if (name == "--plot")
        return &o.plotFile;
    return nullptr;
}

// What the options given cannot mean together; empty when they agree.
std::string conflict(const EvalOptions& o)
{
    if (!o.truthFile.empty() && (!o.truthFolder.empty() || !o.trackersFolder.empty()))
        return "--gt scores result files, --gt-folder and --trackers-folder score folders: give one or the other";
    if (o.truthFile.empty() && o.truthFolder.empty() && o.trackersFolder.empty())
        return "give --gt FILE with result files, or --gt-folder DIR with --trackers-folder DIR";
    if (!o.truthFile.empty() && o.resultFiles.empty())
        return "--gt " + o.truthFile + ": no result file to score (give one or more after the options)";
    if (o.truthFile.empty() && (o.truthFolder.empty() || o.trackersFolder.empty()))
        return std::string(o.truthFolder.empty() ? "--trackers-folder needs --gt-folder"
                                                 : "--gt-folder needs --trackers-folder");
    if (o.folders() && !o.resultFiles.empty())
        return "'" + o.resultFiles.front() + "': with --gt-folder the results are read from --trackers-folder";
    if (!o.seqmapFile.empty() && !o.folders())
        return "--seqmap names the sequences of --gt-folder";
    if (!o.plotFile.empty() && !endsWith(o.plotFile, ".png"))
        return "--plot " + o.plotFile + ": the plot is a PNG picture, its name must end in .png";
    return std::string();
}

}  // namespace

EvalParse parseEvalOptions(const std::vector<std::string>& args)
{
    EvalParse p;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            p.action = EvalParse::Action::Help;
            return p;
        }
        if (std::string* value = valueOf(p.options, a)) {
            if (i + 1 == args.size() || args[i + 1].empty()) {
                p.action = EvalParse::Action::UsageError;
                p.error = a + " needs a value";
                return p;
            }
            *value = args[++i];
            continue;
        }
        if (a.size() > 1 && a[0] == '-') {
            p.action = EvalParse::Action::UsageError;
            p.error = "unknown option " + a + " (see --help)";
            return p;
        }
        p.options.resultFiles.push_back(a);
    }
    p.error = conflict(p.options);
    if (!p.error.empty())
        p.action = EvalParse::Action::UsageError;
    return p;
}

}  // namespace tavo_eval_cli
