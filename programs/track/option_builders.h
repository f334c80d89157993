#pragma once

// Small builders of tavo-track's options, and the options of the tracking
// settings (setting_options.cpp), for the table of option_table.cpp.

#include "programs/track/option_table.h"

#include <string>
#include <vector>

namespace tavo_cli {

// An option's names: "--name", or "-n" and "--name".
struct Names {
    Names(const char* longName) : name(longName) {}
    Names(const char* shortForm, const char* longName) : name(longName), shortName(shortForm) {}
    std::string name;
    std::string shortName;
};

// An option that sets nothing yet.
Option option(Names names, std::string value, Section section, std::string help);

// The option of the library's setting of its name without the dashes;
// `value` is the value's form in --help, empty for a flag.
Option setting(const char* name, std::string value, Section section, std::string help);

// An option of the command alone: a flag, a file name (not empty), a
// positive count.
Option flag(Names names, Section section, bool Options::*field, std::string help);
Option file(Names names, std::string value, Section section, std::string Options::*field, std::string help);
Option positive(const char* name, Section section, int Options::*field, std::string help);

// The options of the sections Tracking to LostAndFound, in order: the
// tracking settings with --frames, --seed and --robust.
void addSettingOptions(std::vector<Option>& table);

}  // namespace tavo_cli
