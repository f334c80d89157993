#include "programs/track/option_builders.h"

#include <climits>
#include <stdexcept>
#include <utility>

namespace tavo_cli {

Option option(Names names, std::string value, Section section, std::string help)
{
    Option o;
    o.name = std::move(names.name);
    o.shortName = std::move(names.shortName);
    o.value = std::move(value);
    o.section = section;
    o.help = std::move(help);
    return o;
}

// The option of the library's setting of its name without the dashes;
// `value` is the value's form in --help, empty for a flag.
Option setting(const char* name, std::string value, Section section, std::string help)
{
    Option o = option(name, std::move(value), section, std::move(help));
    o.setting = findSetting(o.name.substr(2));
    if (!o.setting)
        throw std::logic_error(o.name + " is not a setting of the library");
    o.set = [name = o.setting->name](Options& options, const std::string& text) {
        return applySetting(options.settings, name, text);
    };
    return o;
}

Option flag(Names names, Section section, bool Options::*field, std::string help)
{
    Option o = option(std::move(names), "", section, std::move(help));
    o.set = [field](Options& options, const std::string&) {
        options.*field = true;
        return kSet;
    };
    return o;
}

Option file(Names names, std::string value, Section section, std::string Options::*field, std::string help)
{
    Option o = option(std::move(names), std::move(value), section, std::move(help));
    o.set = [field](Options& options, const std::string& text) -> Refusal {
        if (text.empty())
            return std::string("expected a file name");
        options.*field = text;
        return kSet;
    };
    return o;
}

// A count of frames, 1 or more.
Option positive(const char* name, Section section, int Options::*field, std::string help)
{
    Option o = option(name, "N", section, std::move(help));
    o.set = [field](Options& options, const std::string& text) -> Refusal {
        const auto n = parseInt(text);
        if (!n && parseInt64(text) > 0)
            return "at most " + std::to_string(INT32_MAX);
        if (!n || *n <= 0)
            return std::string("expected a positive integer");
        options.*field = *n;
        return kSet;
    };
    return o;
}

}  // namespace tavo_cli
