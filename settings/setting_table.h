#pragma once

// The tracking settings by name: each setting of TrackingSettings once,
// with its kind, the field it sets, what values it takes and a one-line
// summary (its default stays in its owner's record).  The range check of
// settingProblems, the Python module's keywords and tavo-track's options
// are made from this table.  A setting's name is lower case with hyphens
// ("hsv-bins"), its value the text the command's option takes.

#include "settings/tracking_settings.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

enum class SettingKind {
    Flag,      // "on" or "off"
    Integer,   // "12"
    Real,      // "0.25"
    Word,      // "hsv"
    Integers,  // "10,10,10"
    Reals,     // "0.5,2"
};

struct SettingName {
    std::string name;
    SettingKind kind;
};

// Why a value is not set: nothing when it is; an empty text when the value
// is malformed (what the setting expects then says why); else the reason.
using SettingRefusal = std::optional<std::string>;

struct Setting {
    std::string name;
    SettingKind kind = SettingKind::Word;
    std::string summary;
    // Reads the text strictly into its field.  A flag takes "on" or "off"
    // (or nothing, as the command's option gives it: on).
    std::function<SettingRefusal(TrackingSettings&, const std::string&)> read;
    // The field's value as read takes it ("on"/"off" for a flag; empty for
    // the surround while it is unset).
    std::function<std::string(const TrackingSettings&)> text;
    // For a setting with a range: whether its value is in it, and what the
    // range is, in words ("a number from 0 to 1").  Empty for the others.
    std::function<bool(const TrackingSettings&)> inRange;
    std::string expected;
};

// Every setting, in the order of tavo-track's --help.
const std::vector<Setting>& settingTable();

// The setting of that name, or nullptr.
const Setting* findSetting(const std::string& name);

// The names and kinds of settingTable().
std::vector<SettingName> settingNames();

// Sets one setting by name: read and range-checked as the command's option
// is.  Nothing when set; else why not, in the words tavo-track gives after
// "--NAME 'VALUE': ", e.g. "expected 1 or 2"; for a name that is not a
// setting, "unknown setting".  A refused value leaves the settings as they
// were.
std::optional<std::string> applySetting(TrackingSettings& settings, const std::string& name,
                                        const std::string& value);

// Values as the settings write them: the shortest text that reads back as
// the same value ("on"/"off" for a flag).
std::string settingText(int value);
std::string settingText(bool value);
std::string settingText(float value);
std::string settingText(double value);

// A setting's value as applySetting takes it; empty for a name that is not
// a setting.
std::string settingValue(const TrackingSettings& settings, const std::string& name);
