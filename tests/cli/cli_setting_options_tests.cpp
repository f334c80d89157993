// tavo-track's setting options are made from the library's settings table:
// one option per setting, named after it.

#include "programs/track/options.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace tavo_cli;

TEST(CliSettingOptions, EverySettingHasItsOption)
{
    std::map<std::string, OptionName> options;
    for (const OptionName& o : optionNames())
        options[o.name] = o;
    for (const Setting& s : settingTable()) {
        const auto o = options.find("--" + s.name);
        ASSERT_NE(o, options.end()) << s.name << " has no option";
        EXPECT_EQ(o->second.takesValue, s.kind != SettingKind::Flag) << s.name;
        EXPECT_TRUE(o->second.shortName.empty()) << s.name;
    }
}
