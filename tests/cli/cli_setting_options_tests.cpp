// tavo-track's setting options are made from the library's settings table:
// one option per setting, named after it, in the help once with the
// library's default, parsed into the field it sets, its range checked in the
// words of the table.

#include "programs/track/options.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

using namespace tavo_cli;

namespace {

ParseResult parse(std::initializer_list<const char*> args)
{
    std::vector<const char*> argv{"tavo-track"};
    argv.insert(argv.end(), args);
    return parseOptions(static_cast<int>(argv.size()), argv.data());
}

}  // namespace

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

namespace {

// Every field of the settings, for comparing whole records.
auto fields(const TrackingSettings& s)
{
    const SamplingSettings& t = s.tracking;
    const ColourModelSettings& c = s.colour;
    const ColourBinning& b = c.binning;
    const BackgroundSettings& g = c.background;
    const MotionSettings& m = s.motion;
    return std::tie(t.samples, t.noise, t.iterations, t.threads, c.space, b.hueBins, b.saturationBins, b.valueBins,
                    b.minSaturation, b.minValue, c.normaliseLight, c.kernel, c.parts, c.sharpness, c.ringWeight,
                    c.ringShare, c.foregroundWeight, c.edgeWeight, g.rate, g.threshold, g.followLight, g.ringCountsStillUnknown,
                    g.stillRuleWhileStill, g.stillRuleWhileUnmoved, g.learnRevealed, g.revealedWithCamera, g.nearTargets,
                    s.adaptation.rate,
                    s.adaptation.minSimilarity, m.spread, m.spreadWhenPoor, m.spreadRadius, m.adaptiveNoise,
                    m.maxNoiseGain, m.noiseGrowth, m.noiseDecay, m.poorMatch, m.poorSampleShare, m.typicalRate,
                    m.damping, m.scaleNoise, m.aspectNoise, m.shapeNoise, m.minScale, m.maxScale, m.scalePull, m.settleRate,
                    m.lostAndFound, m.lostMatch, m.lostAfterFrames, m.foundMatch, m.lostSpread, m.lostRadiusGrowth,
                    m.lostSimilarity,
                    m.keepInFrame, m.coreNeighbours, m.coastWhenJoined, m.coastWhileMatched, s.fit.enabled,
                    s.fit.guardGrowth, s.fit.endJoinApart, s.camera.mode, s.camera.motion.judgeEarly, s.camera.motion.driftShift, s.surround,
                    s.confidence.kind);
}

bool sameSettings(const TrackingSettings& a, const TrackingSettings& b) { return fields(a) == fields(b); }

ParseResult parseWords(const std::vector<std::string>& words)
{
    std::vector<const char*> argv{"tavo-track"};
    for (const std::string& w : words)
        argv.push_back(w.c_str());
    return parseOptions(static_cast<int>(argv.size()), argv.data());
}

// The entries of --help by option name: the text beside and below the
// names, its lines joined.
std::map<std::string, std::string> helpEntries(const std::string& help, std::vector<std::string>& names)
{
    std::map<std::string, std::string> entries;
    std::istringstream lines(help);
    std::string line, current;
    while (std::getline(lines, line)) {
        EXPECT_LE(line.size(), 79u) << line;
        if (line.rfind("  -", 0) == 0) {
            std::istringstream words(line);
            words >> current;
            if (current.back() == ',')  // "-q, --quiet"
                words >> current;
            names.push_back(current);
            std::getline(words, entries[current]);
        } else if (line.rfind(std::string(20, ' '), 0) == 0 && !current.empty()) {
            entries[current] += " " + line.substr(line.find_first_not_of(' '));
        } else {
            current.clear();
        }
    }
    return entries;
}

}  // namespace

TEST(CliOptions, EveryOptionOfTheTableIsInTheHelpOnceAndParses)
{
    // A value each option takes.
    const std::map<std::string, const char*> values = {
        {"--box", "1,2,3,4"}, {"--box-id", "7,1,2,3,4"}, {"--targets", "t.txt"}, {"--samples", "9"}, {"--noise", "1.5"},
        {"--iterations", "9"}, {"--frames", "9"}, {"--threads", "3"}, {"--seed", "9"}, {"--model", "hsv"},
        {"--hsv-bins", "3,4,5"}, {"--min-saturation", "9"}, {"--min-value", "9"}, {"--parts", "2"},
        {"--sharpness", "9"}, {"--surround", "2"}, {"--foreground", "2"}, {"--adapt", "0.5"}, {"--spread", "0.5"},
        {"--spread-when-poor", "0.5"}, {"--damping", "0.5"}, {"--scale-noise", "0.1"}, {"--aspect-noise", "0.1"}, {"--shape-noise", "0.1"}, {"--lost-similarity", "0.5"}, {"--confidence", "calibrated"},
        {"--scale-range", "0.9,1.1"}, {"--mot", "m.txt"}, {"--estimates", "e.csv"}, {"--video", "v.avi"},
        {"--draw", "boxes"}, {"--gt", "g.txt"}, {"--plot", "p.png"}, {"--show-speed", "max"}, {"--camera", "0"},
        {"--start", "9"}, {"--camera-motion", "moving"}, {"--camera-drift", "3"}, {"--scale-pull", "0.1"}, {"--drop-lost", "9"},
        {"--apply-edits", "e.txt"}, {"--edits", "e.txt"}, {"--edges", "0.5"}, {"--confidence-terms", "c.csv"}};
    // Options that need another one beside them: a camera needs targets, the
    // confidence's terms the calibrated confidence.
    const std::map<std::string, const char*> companions = {{"--camera", "--select"},
                                                           {"--confidence-terms", "--robust"}};
    std::vector<std::string> listed;
    helpEntries(usageText(), listed);
    EXPECT_EQ(usageText().find('{'), std::string::npos) << "a placeholder left in --help";

    const std::vector<OptionName> table = optionNames();
    ASSERT_EQ(listed.size(), table.size()) << "an entry of --help that is not in the table, or one missing";
    for (size_t i = 0; i < table.size(); ++i) {
        const OptionName& o = table[i];
        EXPECT_EQ(listed[i], o.name);
        if (o.name == "--help" || o.name == "--version")
            continue;
        std::vector<std::string> given{o.name};
        if (o.takesValue) {
            ASSERT_EQ(values.count(o.name), 1u) << "no value to try for " << o.name;
            given.push_back(values.at(o.name));
            // An empty value is malformed for every option, and the message
            // says what is expected.
            const ParseResult empty = parseWords({o.name, ""});
            EXPECT_EQ(empty.action, ParseResult::Action::UsageError) << o.name;
            EXPECT_EQ(empty.error.rfind(o.name + " '': ", 0), 0u) << empty.error;
            EXPECT_NE(empty.error.back(), ' ') << empty.error;
        }
        if (companions.count(o.name))
            given.push_back(companions.at(o.name));
        const ParseResult r = parseWords(given);
        EXPECT_EQ(r.action, ParseResult::Action::Run) << o.name << ": " << r.error;
        if (!o.shortName.empty()) {
            EXPECT_EQ(parseWords({o.shortName}).action, ParseResult::Action::Run) << o.shortName;
        }
    }
}

TEST(CliOptions, DefaultsInTheHelpAreTheLibrarys)
{
    std::vector<std::string> listed;
    const auto entries = helpEntries(usageText(), listed);
    EXPECT_NE(entries.at("--samples").find("(default 500)"), std::string::npos) << entries.at("--samples");
    // Every "(default V)" given back to its option leaves the settings at
    // their defaults.
    int defaults = 0;
    for (const auto& [name, text] : entries) {
        const auto at = text.find("(default ");
        if (at == std::string::npos)
            continue;
        const auto end = text.find(')', at);
        const std::string value = text.substr(at + 9, end - at - 9);
        if (value.find(' ') != std::string::npos)
            continue;  // a rule, such as the surround's
        const ParseResult r = parseWords({name, value});
        ASSERT_EQ(r.action, ParseResult::Action::Run) << name << " " << value << ": " << r.error;
        EXPECT_TRUE(sameSettings(r.options.settings, TrackingSettings{})) << name << " " << value;
        ++defaults;
    }
    EXPECT_GE(defaults, 18);
    std::ostringstream weight;
    weight << kScaleSurroundWeight;
    EXPECT_NE(entries.at("--surround").find("(default " + weight.str() + " with --scale-noise"), std::string::npos)
        << entries.at("--surround");
}

TEST(CliOptions, AppearanceOptionsAndTheirRanges)
{
    const auto usesModels = [](const Options& o) { return resolved(o.settings).usesAppearanceModels(); };
    const Options defaults = parse({}).options;
    EXPECT_TRUE(defaults.settings.colour.isHueHistogram());
    EXPECT_FALSE(usesModels(defaults)) << "the default is today's hue histograms";
    EXPECT_FALSE(usesModels(parse({"--model", "hue", "--sharpness", "20", "--parts", "1", "--adapt", "0"}).options));

    const Options o = parse({"--model", "hsv", "--hsv-bins", "8,6,12", "--min-saturation", "0", "--min-value",
                             "255", "--kernel", "--parts", "2", "--sharpness", "12.5", "--adapt", "0.1"})
                          .options;
    const ColourModelSettings& c = o.settings.colour;
    EXPECT_EQ(c.space, ColourSpace::Hsv);
    EXPECT_EQ(c.binning.hueBins, 8);
    EXPECT_EQ(c.binning.saturationBins, 6);
    EXPECT_EQ(c.binning.valueBins, 12);
    EXPECT_EQ(c.binning.minSaturation, 0);
    EXPECT_EQ(c.binning.minValue, 255);
    EXPECT_TRUE(c.kernel);
    EXPECT_EQ(c.parts, 2);
    EXPECT_EQ(c.sharpness, 12.5);
    EXPECT_EQ(o.settings.adaptation.rate, 0.1);
    EXPECT_EQ(parse({"--adapt", "1"}).options.settings.adaptation.rate, 1.0);
    EXPECT_TRUE(usesModels(parse({"--adapt", "0.01"}).options));
    // The foreground cue works with either colour space.
    const Options still = parse({"--foreground", "0.5"}).options;
    EXPECT_EQ(still.settings.colour.foregroundWeight, 0.5);
    EXPECT_EQ(still.settings.colour.space, ColourSpace::Hue);
    EXPECT_TRUE(usesModels(still));
    EXPECT_FALSE(usesModels(parse({"--foreground", "0"}).options));

    // Out of range: the library's words, with the value as typed.
    EXPECT_EQ(parse({"--parts", "3"}).error, "--parts '3': expected 1, 2 or auto");
    EXPECT_EQ(parse({"--parts", "0"}).error, "--parts '0': expected 1, 2 or auto") << "0 stands for auto inside";
    EXPECT_EQ(parse({"--parts", "auto"}).options.settings.colour.parts, kPartsByShape);
    EXPECT_EQ(parse({"--threads=0"}).error, "--threads '0': expected an integer from 1 to 64");
    EXPECT_EQ(parse({"--hsv-bins", "10,10"}).error,
              "--hsv-bins '10,10': expected H,S,V, each at least 1, with H * S + V <= 255");
    for (std::vector<const char*> bad : std::vector<std::vector<const char*>>{
             {"--model", "rgb"}, {"--hsv-bins", "10,10"}, {"--hsv-bins", "16,16,1"}, {"--hsv-bins", "0,10,10"},
             {"--min-saturation", "256"}, {"--min-value", "-1"}, {"--parts", "3"}, {"--parts", "0"},
             {"--sharpness", "0"}, {"--sharpness", "1001"}, {"--adapt", "1.5"}, {"--adapt", "-0.1"},
             {"--kernel=yes"}, {"--robust=1"}, {"--foreground", "-0.5"}, {"--foreground", "10.5"},
             {"--foreground", "nan"}, {"--robust", "--parts", "3"}}) {
        std::vector<const char*> argv{"tavo-track"};
        argv.insert(argv.end(), bad.begin(), bad.end());
        const ParseResult r = parseOptions(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(r.action, ParseResult::Action::UsageError) << bad[0] << " " << (bad.size() > 1 ? bad[1] : "");
        std::string named;  // the last option
        for (const std::string arg : bad)
            if (arg.rfind("--", 0) == 0)
                named = arg.substr(0, arg.find('='));
        EXPECT_NE(r.error.find(named), std::string::npos) << r.error;
    }
}

TEST(CliOptions, RobustIsAPresetThatExplicitOptionsOverride)
{
    const Options robust = parse({"--robust"}).options;
    EXPECT_TRUE(robust.robust);
    EXPECT_TRUE(sameSettings(robust.settings, robustSettings()));
    EXPECT_FALSE(robust.settings.surround) << "the settings are not resolved";
    EXPECT_EQ(surroundWeightFor(robust.settings), 0.0) << "the foreground cue's surround replaces the colour surround";
    EXPECT_EQ(surroundWeightFor(parse({"--robust", "--foreground", "0"}).options.settings), kScaleSurroundWeight)
        << "a moving camera: without the foreground cue, scaled boxes need the colour surround";
    EXPECT_TRUE(resolved(robust.settings).usesAppearanceModels());

    // In either order, what is given explicitly wins.
    for (const Options& o : {parse({"--model", "hue", "--robust", "--parts", "1", "--adapt", "0"}).options,
                             parse({"--robust", "--model", "hue", "--parts", "1", "--adapt", "0"}).options}) {
        EXPECT_EQ(o.settings.colour.space, ColourSpace::Hue);
        EXPECT_EQ(o.settings.colour.parts, 1);
        EXPECT_EQ(o.settings.adaptation.rate, 0.0);
        EXPECT_EQ(o.settings.colour.kernel, robustSettings().colour.kernel) << "not given: the preset's";
    }
    // Settings set by two options each keep what was given: the scale
    // range's ends, the bins' three counts.
    const Options mixed = parse({"--scale-range", "0.8,1.5", "--hsv-bins", "4,5,6", "--robust"}).options;
    EXPECT_EQ(mixed.settings.motion.minScale, 0.8);
    EXPECT_EQ(mixed.settings.motion.maxScale, 1.5);
    EXPECT_EQ(mixed.settings.colour.binning.valueBins, 6);
    EXPECT_EQ(mixed.settings.motion.scaleNoise, robustSettings().motion.scaleNoise);
}

TEST(CliOptions, DrawIsDesignByDefaultBoxesUnderRobustUnlessGiven)
{
    EXPECT_EQ(parse({}).options.drawing, DrawingStyle::Design);
    EXPECT_EQ(parse({"--draw", "boxes"}).options.drawing, DrawingStyle::Boxes);
    EXPECT_EQ(parse({"--draw=samples"}).options.drawing, DrawingStyle::Samples);
    EXPECT_EQ(parse({"--robust"}).options.drawing, DrawingStyle::Boxes);
    // Given explicitly, on either side of the preset, --draw wins.
    EXPECT_EQ(parse({"--draw", "design", "--robust"}).options.drawing, DrawingStyle::Design);
    EXPECT_EQ(parse({"--robust", "--draw", "design"}).options.drawing, DrawingStyle::Design);
    EXPECT_EQ(parse({"--robust", "--draw", "samples"}).options.drawing, DrawingStyle::Samples);
    EXPECT_EQ(parse({"--draw", "Boxes"}).error, "--draw 'Boxes': expected boxes, samples or design");
    EXPECT_EQ(parse({"--draw", "boxes", "--draw", "design"}).error, "option --draw is given more than once");
}

TEST(CliOptions, ThePresetTextGivesThePreset)
{
    // The text --help shows for --robust, given as options, sets what
    // --robust sets: the preset holds nothing that no option can say.
    const std::string text = robustPresetText();
    EXPECT_EQ(text.rfind("--model hsv ", 0), 0u) << text;
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        words.push_back(word);
    const ParseResult r = parseWords(words);
    ASSERT_EQ(r.action, ParseResult::Action::Run) << text << ": " << r.error;
    EXPECT_TRUE(sameSettings(r.options.settings, robustSettings())) << text;
    std::vector<std::string> listed;
    const std::string robustHelp = helpEntries(usageText(), listed).at("--robust");
    EXPECT_NE(robustHelp.find("It sets: " + text), std::string::npos) << robustHelp;
}

TEST(CliOptions, MotionOptionsAndTheirRanges)
{
    EXPECT_FALSE(parse({}).options.settings.motion.any()) << "the default moves by constant velocity alone";
    const Options o = parse({"--spread", "0.2", "--spread-when-poor", "0.4", "--adaptive-noise", "--damping", "0.3",
                             "--scale-noise", "0.02", "--aspect-noise", "0.01", "--scale-range", "0.8,1.5",
                             "--lost-and-found"})
                          .options;
    const MotionSettings& m = o.settings.motion;
    EXPECT_EQ(m.spread, 0.2);
    EXPECT_EQ(m.spreadWhenPoor, 0.4);
    EXPECT_TRUE(m.adaptiveNoise);
    EXPECT_EQ(m.damping, 0.3);
    EXPECT_EQ(m.scaleNoise, 0.02);
    EXPECT_EQ(m.aspectNoise, 0.01);
    EXPECT_EQ(m.minScale, 0.8);
    EXPECT_EQ(m.maxScale, 1.5);
    EXPECT_TRUE(m.lostAndFound);
    // Boxes that change size bring the surround with them, unless told.
    EXPECT_EQ(surroundWeightFor(o.settings), kScaleSurroundWeight);
    EXPECT_TRUE(resolved(o.settings).usesAppearanceModels());
    EXPECT_EQ(surroundWeightFor(parse({"--scale-noise", "0.02", "--surround", "0"}).options.settings), 0.0);
    EXPECT_EQ(surroundWeightFor(parse({"--scale-noise", "0.02", "--foreground", "1"}).options.settings), 0.0)
        << "the foreground cue has a surround of its own";
    EXPECT_EQ(
        surroundWeightFor(parse({"--scale-noise", "0.02", "--foreground", "1", "--surround", "2"}).options.settings),
        2.0);

    for (std::vector<const char*> bad : std::vector<std::vector<const char*>>{
             {"--spread", "1.5"}, {"--spread-when-poor", "-1"}, {"--damping", "2"}, {"--scale-noise", "0.6"},
             {"--aspect-noise", "-0.1"}, {"--scale-range", "1.2,2"}, {"--scale-range", "0.5,0.9"},
             {"--scale-range", "0.5"}, {"--scale-range", "0.5,"}, {"--scale-range", "0.5,2,3"},
             {"--surround", "11"}, {"--lost-and-found=1"}}) {
        std::vector<const char*> argv{"tavo-track"};
        argv.insert(argv.end(), bad.begin(), bad.end());
        const ParseResult r = parseOptions(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(r.action, ParseResult::Action::UsageError) << bad[0];
    }
}

TEST(CliOptions, SettingsByNameAreTheOptions)
{
    // Every setting of the preset, given by name over the defaults, gives
    // the preset; the names are those of the options that set a setting.
    const TrackingSettings robust = robustSettings();
    TrackingSettings byName;
    std::vector<std::string> names;
    for (const SettingName& s : settingNames()) {
        names.push_back(s.name);
        const std::string value = settingValue(robust, s.name);
        if (s.name == "surround") {
            EXPECT_EQ(value, "") << "unset in the preset";
            continue;
        }
        EXPECT_EQ(applySetting(byName, s.name, value), std::nullopt) << s.name << " " << value;
    }
    EXPECT_TRUE(sameSettings(byName, robust));
    EXPECT_EQ(names.front(), "samples");
    EXPECT_EQ(names.size(), 44u);
    for (const char* notASetting : {"box", "seed", "frames", "robust", "mot", "quiet", "no-such"}) {
        EXPECT_EQ(applySetting(byName, notASetting, "1"), "unknown setting") << notASetting;
        EXPECT_EQ(settingValue(byName, notASetting), "");
    }

    // A flag is switched off by name, though not on the command line.
    EXPECT_EQ(applySetting(byName, "kernel", "off"), std::nullopt);
    EXPECT_FALSE(byName.colour.kernel);
    EXPECT_EQ(settingValue(byName, "kernel"), "off");
    EXPECT_EQ(applySetting(byName, "kernel", "on"), std::nullopt);
    EXPECT_TRUE(byName.colour.kernel);
    EXPECT_EQ(parse({"--kernel=off"}).error, "option --kernel takes no value");

    // A value refused by name is refused in the command line's words, and
    // leaves the settings as they were.
    const TrackingSettings before = byName;
    for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>>{
             {"parts", "3"}, {"samples", "99999999999"}, {"noise", "x"}, {"hsv-bins", "16,16,1"},
             {"scale-range", "0.5"}, {"model", "rgb"}, {"lost-and-found", "yes"}, {"surround", "11"}}) {
        const auto why = applySetting(byName, name, value);
        ASSERT_TRUE(why) << name;
        if (name != "lost-and-found") {
            EXPECT_EQ(parseWords({"--" + name, value}).error, "--" + name + " '" + value + "': " + *why);
        }
    }
    EXPECT_EQ(applySetting(byName, "lost-and-found", "yes"), "expected on or off");
    EXPECT_TRUE(sameSettings(byName, before));
}

TEST(CliOptions, ShowSpeedIsTheVideosRateOrTheMost)
{
    EXPECT_FALSE(parseWords({"--show"}).options.showAsFastAsTracked);
    EXPECT_FALSE(parseWords({"--show", "--show-speed", "video"}).options.showAsFastAsTracked);
    EXPECT_TRUE(parseWords({"--show", "--show-speed", "max"}).options.showAsFastAsTracked);
    const ParseResult fast = parseWords({"--show-speed", "fast"});
    EXPECT_EQ(fast.action, ParseResult::Action::UsageError);
    EXPECT_NE(fast.error.find("expected video or max"), std::string::npos) << fast.error;
}
