// The command line of tavo-track: defaults, every option, and the usage
// errors with the option or value they name.

#include "programs/track/options.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
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

TEST(CliOptions, DefaultsRunTheDemo)
{
    const ParseResult r = parse({});
    ASSERT_EQ(r.action, ParseResult::Action::Run);
    const Options& o = r.options;
    EXPECT_EQ(o.video, "TAVO_DEMO.avi");
    EXPECT_TRUE(o.boxes.empty());
    EXPECT_TRUE(o.targetsFile.empty());
    EXPECT_EQ(o.settings.tracking.samples, 500);
    EXPECT_EQ(o.settings.tracking.noise, 0.2f);
    EXPECT_EQ(o.settings.tracking.iterations, 5000);
    EXPECT_EQ(o.frames, 0);
    EXPECT_EQ(o.settings.tracking.threads, 1);
    EXPECT_FALSE(o.seed.has_value());
    EXPECT_FALSE(o.quiet);
    EXPECT_FALSE(o.select);
    EXPECT_FALSE(o.show);
    EXPECT_TRUE(o.plotFile.empty());
}

TEST(CliOptions, EveryOptionInBothSpellings)
{
    const ParseResult r = parse({"--box", "1,2,3,4", "clip.avi", "--box=-5,-6,7,8", "--samples=64", "--noise", "0",
                                 "--iterations", "7", "--frames=3", "--seed", "-42", "--mot", "m.txt",
                                 "--estimates=e.csv", "--video", "v.avi", "--gt", "g.txt", "-q", "--select",
                                 "--show", "--plot=paths.PNG"});
    ASSERT_EQ(r.action, ParseResult::Action::Run) << r.error;
    const Options& o = r.options;
    EXPECT_EQ(o.video, "clip.avi");
    ASSERT_EQ(o.boxes.size(), 2u);
    EXPECT_EQ(o.boxes[0], (Box{1, 2, 3, 4}));
    EXPECT_EQ(o.boxes[1], (Box{-5, -6, 7, 8}));
    EXPECT_EQ(o.settings.tracking.samples, 64);
    EXPECT_EQ(o.settings.tracking.noise, 0.0f);
    EXPECT_FALSE(std::signbit(parse({"--noise", "-0"}).options.settings.tracking.noise));
    EXPECT_EQ(o.settings.tracking.iterations, 7);
    EXPECT_EQ(o.frames, 3);
    EXPECT_EQ(o.seed, -42);
    EXPECT_EQ(o.motFile, "m.txt");
    EXPECT_EQ(o.estimatesFile, "e.csv");
    EXPECT_EQ(o.videoFile, "v.avi");
    EXPECT_EQ(o.gtFile, "g.txt");
    EXPECT_TRUE(o.quiet);
    EXPECT_TRUE(o.select);
    EXPECT_TRUE(o.show);
    EXPECT_EQ(o.plotFile, "paths.PNG");
    EXPECT_EQ(parse({"--plot", "p.png"}).options.plotFile, "p.png");

    EXPECT_EQ(parse({"--targets", "t.txt"}).options.targetsFile, "t.txt");
    EXPECT_EQ(parse({"--threads", "2"}).options.settings.tracking.threads, 2);
    EXPECT_EQ(parse({"--threads=64"}).options.settings.tracking.threads, 64);
    // After "--" every argument is the video, even one that looks like an option.
    EXPECT_EQ(parse({"--demo-targets", "--", "--weird.avi"}).options.video, "--weird.avi");
}

TEST(CliOptions, BoxesReachUpToTwoToTheTwentyFourOnEitherSide)
{
    const ParseResult r = parse({"--box", "-16777216,-16777216,16,16", "--box", "16777200,0,16,16"});
    ASSERT_EQ(r.action, ParseResult::Action::Run) << r.error;
    EXPECT_EQ(r.options.boxes[1], (Box{16777200, 0, 16, 16}));
}

TEST(CliOptions, SeedTakesEverySixtyFourBitInteger)
{
    EXPECT_EQ(parse({"--seed", "0"}).options.seed, 0);
    EXPECT_EQ(parse({"--seed", "+7"}).options.seed, 7);
    EXPECT_EQ(parse({"--seed", "9223372036854775807"}).options.seed, INT64_MAX);
    EXPECT_EQ(parse({"--seed", "-9223372036854775808"}).options.seed, INT64_MIN);
}

TEST(CliOptions, HelpAndVersion)
{
    EXPECT_EQ(parse({"--help"}).action, ParseResult::Action::Help);
    EXPECT_EQ(parse({"--samples", "x", "-h"}).action, ParseResult::Action::UsageError);  // in order
    EXPECT_EQ(parse({"-h", "--samples", "x"}).action, ParseResult::Action::Help);
    EXPECT_EQ(parse({"--version"}).action, ParseResult::Action::Version);
    const std::string help = usageText();
    for (const char* option : {"--box", "--targets", "--samples", "--noise", "--iterations", "--frames", "--threads",
                               "--seed", "--mot", "--estimates", "--video", "--gt", "--quiet", "--help", "--version",
                               "--select", "--show", "--plot"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    for (const char* value : {"TAVO_DEMO.avi", "default 500", "default 0.2", "default 5000", "--print-seed",
                              "x = pos_x - w/2", "two decimals", "130 or 143", "default 1",
                              "bit for bit, for every N"})
        EXPECT_NE(help.find(value), std::string::npos) << value;
    EXPECT_EQ(versionText().rfind("tavo-track ", 0), 0u);
}

TEST(CliOptions, UsageErrorsNameTheCulprit)
{
    const struct {
        std::vector<const char*> args;
        const char* named;
    } cases[] = {
        {{"--bogus"}, "--bogus"},
        {{"-x"}, "-x"},
        {{"--samples"}, "--samples"},
        {{"--samples", "12abc"}, "12abc"},
        {{"--samples", "0"}, "--samples '0'"},
        {{"--samples", "-3"}, "-3"},
        {{"--samples", " 5"}, "' 5'"},
        {{"--samples", "99999999999"}, "99999999999"},
        {{"--iterations", "0"}, "--iterations"},
        {{"--iterations", "100000001"}, "an integer from 1 to 100000000"},
        {{"--frames", "1.5"}, "1.5"},
        {{"--threads", "0"}, "--threads '0'"},
        {{"--threads", "65"}, "1 to 64"},
        {{"--threads", "two"}, "two"},
        {{"--noise", "nan"}, "nan"},
        {{"--noise", "inf"}, "inf"},
        {{"--noise", "-0.1"}, "-0.1"},
        {{"--noise", "1e39"}, "1e39"},
        {{"--noise", "0.2x"}, "0.2x"},
        {{"--seed", "9223372036854775808"}, "9223372036854775808"},
        {{"--seed", "1e3"}, "1e3"},
        {{"--box", "1,2,3"}, "1,2,3"},
        {{"--box", "1,2,3,4,5"}, "1,2,3,4,5"},
        {{"--box", "1,2,0,4"}, "1,2,0,4"},
        {{"--box", "1,2,4,-4"}, "1,2,4,-4"},
        {{"--box", "1,y,4,4"}, "'y'"},
        {{"--box", "2147483600,0,100,4"}, "2147483600"},
        {{"--box", "0,0,65536,65536"}, "too large"},
        {{"--box", "-20000001,0,20000101,10"}, "beyond 16777216"},
        {{"--box", "16777200,0,17,10"}, "beyond 16777216"},
        {{"--box", "0,-16777217,10,10"}, "beyond 16777216"},
        {{"--frames", "2147483648"}, "--frames '2147483648': at most 2147483647"},
        {{"--camera", "99999999999"}, "--camera '99999999999': at most 2147483647"},
        {{"--camera", "99999999999999999999999"}, "at most 2147483647"},
        {{"--camera", "-1"}, "--camera '-1': expected a camera number, 0 or more"},
        {{"--iterations", "4294967296"}, "--iterations '4294967296': expected an integer from 1 to 100000000"},
        {{"--samples", "4294967296"}, "--samples '4294967296': expected a positive integer, at most 2236961"},
        {{"--min-value", "-4294967296"}, "from 0 to 255"},
        {{"--print-seed=yes"}, "--print-seed"},
        {{"--quiet=yes"}, "--quiet"},
        {{"--mot", "a", "--mot", "b"}, "--mot"},
        {{"--mot="}, "--mot"},
        {{"a.avi", "b.avi"}, "b.avi"},
        {{""}, "empty"},
        {{"--box", "1,1,4,4", "--targets", "t.txt"}, "--targets"},
        {{"--samples", "2236962"}, "2236961"},
        {{"--select=yes"}, "--select"},
        {{"--show=1"}, "--show"},
        {{"--plot"}, "--plot"},
        {{"--plot", "paths.jpg"}, "paths.jpg"},
        {{"--plot", "paths"}, "'paths'"},
        {{"--plot", ".png"}, "'.png'"},
        {{"--plot", "a.png", "--plot", "b.png"}, "--plot"},
    };
    for (const auto& c : cases) {
        std::vector<const char*> argv{"tavo-track"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const ParseResult r = parseOptions(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(r.action, ParseResult::Action::UsageError) << c.args[0];
        EXPECT_NE(r.error.find(c.named), std::string::npos) << "'" << r.error << "' does not name " << c.named;
    }
}

TEST(CliOptions, TargetCountIsBoundedByTheStore)
{
    // Ten targets always fit; more fit while samples x targets stays within
    // the store, and the error says how many do.
    EXPECT_EQ(targetsThatFit(500), kMaxStoreSlots / 500);
    EXPECT_GE(targetsThatFit(2236961), kStandardTargetCount);
    std::vector<const char*> argv{"tavo-track", "--samples", "2000000"};
    for (int i = 0; i < 11; ++i)
        argv.insert(argv.end(), {"--box", "0,0,4,4"});
    ParseResult r = parseOptions(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(r.action, ParseResult::Action::Run) << r.error;
    argv.insert(argv.end(), {"--box", "0,0,4,4"});
    r = parseOptions(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(r.action, ParseResult::Action::UsageError);
    EXPECT_NE(r.error.find("12 targets"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("at most 11"), std::string::npos) << r.error;
}
