// The settings table: the names, kinds and ranges from which the range
// check, the Python keywords and tavo-track's options are made.

#include "settings/setting_table.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

namespace {

bool isSettingName(const std::string& name)
{
    if (name.empty() || name.front() == '-' || name.back() == '-')
        return false;
    for (const char c : name)
        if (!std::islower(static_cast<unsigned char>(c)) && c != '-')
            return false;
    return name.find("--") == std::string::npos;
}

}  // namespace

TEST(SettingTable, NamesAreUniqueAndWrittenAsOptions)
{
    std::set<std::string> seen;
    for (const Setting& s : settingTable()) {
        EXPECT_TRUE(isSettingName(s.name)) << "'" << s.name << "'";
        EXPECT_TRUE(seen.insert(s.name).second) << s.name << " twice";
        EXPECT_FALSE(s.summary.empty()) << s.name;
        EXPECT_TRUE(s.read && s.text) << s.name;
        EXPECT_EQ(bool(s.inRange), !s.expected.empty()) << s.name << ": a range comes with its words";
        EXPECT_EQ(findSetting(s.name), &s);
    }
    EXPECT_EQ(findSetting("no-such"), nullptr);
    const std::vector<SettingName> names = settingNames();
    ASSERT_EQ(names.size(), settingTable().size());
    EXPECT_EQ(names.front().name, "samples");
    EXPECT_EQ(names.back().name, "coast-while-matched");
}

TEST(SettingTable, TheRangeCheckIsTheTables)
{
    // Every setting with a range, and only those, is checked, under its
    // own name and in its own words.
    std::set<std::string> ranged;
    for (const Setting& s : settingTable())
        if (s.inRange) {
            ranged.insert(s.name);
            EXPECT_EQ(expectedValue(s.name), s.expected);
        }
    EXPECT_EQ(ranged.size(), 23u);
    EXPECT_EQ(expectedValue("kernel"), "");
    EXPECT_EQ(expectedValue("threads"), "an integer from 1 to 64");
    EXPECT_EQ(expectedValue("adapt"), "a number from 0 to 1");
    EXPECT_EQ(expectedValue("scale-noise"), "a number from 0 to 0.5");
    EXPECT_EQ(expectedValue("scale-range"), "LO,HI with 0 < LO <= 1 <= HI <= 10");
    EXPECT_TRUE(settingProblems(TrackingSettings{}).empty());
    EXPECT_TRUE(settingProblems(robustSettings()).empty());

    TrackingSettings bad;
    bad.motion.damping = -0.5;
    bad.colour.binning.valueBins = 0;
    const std::vector<SettingProblem> problems = settingProblems(bad);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].setting, "hsv-bins");
    EXPECT_EQ(problems[0].value, "10,10,0") << "the value as the setting is written";
    EXPECT_EQ(problems[1].setting, "damping");
    EXPECT_EQ(problems[1].value, "-0.5");
    EXPECT_EQ(problems[1].expected, "a number from 0 to 1");
}

TEST(SettingTable, EveryValueReadsBackAsWritten)
{
    // The text of a setting, given back by name, changes nothing: for the
    // defaults and for the preset, which differ in most settings.
    for (const TrackingSettings& start : {TrackingSettings{}, robustSettings()})
        for (const Setting& s : settingTable()) {
            const std::string text = s.text(start);
            if (text.empty())
                continue;  // the surround while it is unset
            TrackingSettings again = start;
            ASSERT_EQ(applySetting(again, s.name, text), std::nullopt) << s.name << " " << text;
            for (const Setting& other : settingTable())
                EXPECT_EQ(other.text(again), other.text(start)) << s.name << " changed " << other.name;
        }
}

TEST(SettingTable, RefusalsNameWhatIsExpected)
{
    TrackingSettings s;
    EXPECT_EQ(applySetting(s, "model", "rgb"), "expected hue or hsv");
    EXPECT_EQ(applySetting(s, "camera-motion", "fast"), "expected still, moving or auto");
    EXPECT_EQ(applySetting(s, "kernel", "yes"), "expected on or off");
    EXPECT_EQ(applySetting(s, "adapt", "x"), "expected a number from 0 to 1") << "malformed: the range";
    EXPECT_EQ(applySetting(s, "adapt", "1.5"), "expected a number from 0 to 1");
    EXPECT_EQ(applySetting(s, "threads", "99999999999"), "expected an integer from 1 to 64");
    EXPECT_EQ(applySetting(s, "parts", "99999999999"), "expected 1, 2 or auto");
    EXPECT_EQ(applySetting(s, "no-such", "1"), "unknown setting");
    EXPECT_TRUE(settingProblems(s).empty()) << "a refused value is not kept";
    EXPECT_EQ(settingValue(s, "camera-motion"), "still");
    EXPECT_EQ(applySetting(s, "camera-motion", "auto"), std::nullopt);
    EXPECT_EQ(settingValue(s, "camera-motion"), "auto");
    EXPECT_EQ(applySetting(s, "parts", "auto"), std::nullopt);
    EXPECT_EQ(settingValue(s, "parts"), "auto");
    EXPECT_EQ(settingValue(s, "surround"), "") << "unset";
}
