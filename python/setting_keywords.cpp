#include "python/setting_keywords.h"

#include "python/python_values.h"
#include "settings/number_text.h"
#include "settings/setting_table.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavo_python {

namespace py = pybind11;

// ---------------------------------------------------------------------------
// Settings: keyword arguments in snake_case, set as the options' texts.

std::string snakeCase(std::string name)
{
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

namespace {

std::string dashed(std::string name)
{
    std::replace(name.begin(), name.end(), '_', '-');
    return name;
}

// A keyword argument's value as its option's text: a str as written, a bool
// as "on"/"off", numbers as numbers, a sequence as its items joined by
// commas.  A value of the wrong type raises TypeError.
std::string optionText(const std::string& keyword, py::handle value, SettingKind kind)
{
    if (PyUnicode_Check(value.ptr()))
        return py::str(value);
    const auto refuse = [&](const char* wanted) {
        throw py::type_error(keyword + " takes " + wanted + ", not " + typeName(value));
    };
    const auto item = [&](py::handle v, bool integer) {
        if (integer ? isInteger(v) : (isInteger(v) || isReal(v)))
            return isInteger(v) ? integerText(v) : realText(v);
        refuse(integer ? "integers" : "numbers");
        return std::string();
    };
    switch (kind) {
    case SettingKind::Flag:
        if (!isBool(value))
            refuse("True or False");
        return value.cast<bool>() ? "on" : "off";
    case SettingKind::Integer:
        if (!isInteger(value))
            refuse("an integer");
        return integerText(value);
    case SettingKind::Real:
        if (!isInteger(value) && !isReal(value))
            refuse("a number");
        return isInteger(value) ? integerText(value) : realText(value);
    case SettingKind::Word:
        refuse("a str");
        break;
    case SettingKind::Integers:
    case SettingKind::Reals: {
        if (!py::isinstance<py::sequence>(value) && !py::isinstance<py::array>(value))
            refuse(kind == SettingKind::Integers ? "a tuple of integers or a str" : "a tuple of numbers or a str");
        std::string text;
        for (py::handle v : value)
            text += (text.empty() ? "" : ",") + item(v, kind == SettingKind::Integers);
        return text;
    }
    }
    return {};
}

std::string settingNameList()
{
    std::string text;
    for (const SettingName& s : settingNames())
        text += (text.empty() ? "" : ", ") + snakeCase(s.name);
    return text;
}

// robust=: True or False, as a flag setting takes it.
bool robustFrom(py::handle robust)
{
    if (!isBool(robust))
        throw py::type_error("robust takes True or False, not " + typeName(robust));
    return robust.cast<bool>();
}

// The settings of the keyword arguments: the defaults, or robustSettings()
// with robust, and then every setting given, as tavo-track sets its options
// over its --robust.  A setting left out keeps its default; None is refused
// as a value of the wrong type, as the command has no empty option.
}  // namespace

TrackingSettings settingsFrom(py::handle robust, const py::kwargs& given)
{
    std::map<std::string, SettingKind> kinds;
    for (const SettingName& s : settingNames())
        kinds[snakeCase(s.name)] = s.kind;
    std::string unknown;
    for (const auto& [key, value] : given) {
        const std::string name = py::str(key);
        if (!kinds.count(name))
            unknown += (unknown.empty() ? "'" : ", '") + name + "'";
    }
    if (!unknown.empty())
        throw py::type_error("unknown setting " + unknown + "; the settings are " + settingNameList());

    TrackingSettings settings = robustFrom(robust) ? robustSettings() : TrackingSettings{};
    for (const auto& [key, value] : given) {
        const std::string name = py::str(key);
        const std::string text = optionText(name, value, kinds.at(name));
        if (const auto why = applySetting(settings, dashed(name), text))
            throw py::value_error(name + "=" + std::string(py::repr(value)) + ": " + *why);
    }
    for (const SettingProblem& p : settingProblems(settings))
        throw py::value_error(snakeCase(p.setting) + "=" + p.value + ": expected " + p.expected);
    return settings;
}

namespace {

// A setting's value as Python gives it back.
py::object settingObject(const std::string& text, SettingKind kind)
{
    const auto number = [](const std::string& t, bool integer) -> py::object {
        if (integer)
            return py::int_(std::stoll(t));
        return py::float_(std::stod(t));
    };
    switch (kind) {
    case SettingKind::Flag:
        return py::bool_(text == "on");
    case SettingKind::Integer:
    case SettingKind::Real:
        if (text.empty())
            return py::none();
        // A number that may also be a word, e.g. parts "auto".
        if (text.find_first_not_of("0123456789.-+eE") != std::string::npos)
            return py::str(text);
        return number(text, kind == SettingKind::Integer);
    case SettingKind::Word:
        return py::str(text);
    case SettingKind::Integers:
    case SettingKind::Reals: {
        py::list items;
        std::string::size_type start = 0;
        for (;;) {
            const auto comma = text.find(',', start);
            items.append(number(text.substr(start, comma - start), kind == SettingKind::Integers));
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
        return py::tuple(items);
    }
    }
    return py::none();
}

}  // namespace

py::dict settingsDict(const TrackingSettings& settings)
{
    py::dict dict;
    for (const SettingName& s : settingNames())
        dict[py::str(snakeCase(s.name))] = settingObject(settingValue(settings, s.name), s.kind);
    return dict;
}


}  // namespace tavo_python
