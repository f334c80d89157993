#pragma once

// The options of tavo-track, one entry each, in the order of --help: the
// tracking settings made from the library's table (settings/setting_table.h)
// with the command's own help texts, and the options that belong to the
// command alone.

#include "programs/track/options.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavo_cli {

// The sections of --help, in order.
enum class Section {
    Input,
    Targets,
    Tracking,
    ColourModel,
    Foreground,
    Adaptation,
    Motion,
    LostAndFound,
    Outputs,
    Windows,
    General
};

// What a setter says: nothing when the value was set, else why not, in the
// words given after "--NAME 'VALUE': ".
using Refusal = std::optional<std::string>;
inline const Refusal kSet = std::nullopt;

struct Option {
    std::string name;        // "--quiet"; without the dashes, the library's name of a setting
    std::string shortName;   // "-q", or empty
    std::string value;       // the value's form in --help, e.g. "N"; empty: a flag
    Section section = Section::General;
    // Reads the value strictly (a flag gets an empty one) into the options;
    // a setting's is also checked against its range.
    std::function<Refusal(Options&, const std::string&)> set;
    // The tracking setting the option sets, or nullptr.
    const Setting* setting = nullptr;
    // In the help, "{range}" stands for what the library expects of the
    // setting and "{preset}" for robustPresetText().
    std::string help;
    // Said in place of "default V", V read from TrackingSettings{}.
    std::string defaultText;
    bool repeatable = false;  // else refused when given twice (a flag may repeat)
    ParseResult::Action action = ParseResult::Action::Run;  // Help, Version: at once

    bool takesValue() const { return !value.empty(); }
};

// Every option, in the order of --help.
const std::vector<Option>& optionTable();

// The option named "--name" or "-n", or nullptr.
const Option* findOption(const std::string& name);

}  // namespace tavo_cli
