// What tavo-track makes of its inputs and start-up: ids from a targets file
// in every output and in scoring, line ends of every kind, seeds drawn and
// printed, runs too large for the machine, noise beyond the frame, and
// messages that name the limit and the reason.

#include "core/memory_estimate.h"
#include "command_run.h"

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>

#include <regex>
#include <unistd.h>

using namespace command_run;

namespace {

// The first two squares of the clip's ground truth renamed to `first` and
// `second`, every frame, with the line end `end`.
void writeTwoTargets(const fs::path& from, const fs::path& to, int first, int second, const std::string& end)
{
    std::ofstream out(to, std::ios::binary);
    for (const std::string& line : lines(readFile(from))) {
        const std::vector<std::string> f = split(line);
        if (f[1] != "1" && f[1] != "2")
            continue;
        out << f[0] << "," << (f[1] == "1" ? first : second) << line.substr(f[0].size() + f[1].size() + 1) << end;
    }
}

}  // namespace

TEST_F(CliCommand, TargetsFromAFileKeepTheirIdsEverywhere)
{
    makeClip(10);
    writeTwoTargets(path("clip.gt.txt"), path("g.txt"), 2, 5, "\n");
    const Result r = track("clip.avi -q --seed 1 --targets g.txt --gt g.txt --mot m.txt --estimates e.csv");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // A perfect run scores as one: each target against its own id.
    EXPECT_NE(r.out.find("\n     2      10 "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n     5      10 "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ID switches 0 (objects 20, matches 20, misses 0, false positives 0)"), std::string::npos)
        << r.out;
    for (const char* file : {"m.txt", "e.csv"}) {
        std::vector<std::string> rows = lines(readFile(path(file)));
        if (std::string(file) == "e.csv")
            rows.erase(rows.begin());
        ASSERT_EQ(rows.size(), 20u) << file;
        for (size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(split(rows[i])[1], i % 2 ? "5" : "2") << file << ": " << rows[i];
    }

    // --box targets are numbered 1, 2, ... as before.
    ASSERT_EQ(track("clip.avi -q --seed 1 --box 136,261,18,18 --box 46,226,18,18 --frames 1 --mot b.txt").status, 0);
    const std::vector<std::string> rows = lines(readFile(path("b.txt")));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(split(rows[0])[1] + split(rows[1])[1], "12");

    // An id given twice on the first frame is an error naming the line.
    std::ofstream(path("twice.txt")) << "1,3,10,10,18,18\n1,4,40,40,18,18\n1,3,80,80,18,18\n";
    const Result twice = track("clip.avi -q --targets twice.txt");
    EXPECT_EQ(twice.status, 1);
    EXPECT_EQ(twice.err, "tavo-track: twice.txt:3: id 3 is given twice on frame 1 (first on line 1)\n");
}

TEST_F(CliCommand, TargetAndTruthFilesMayEndLinesWithCrLfOrCrLf)
{
    makeClip(5);
    for (const std::string end : {"\r", "\r\n"}) {
        std::ofstream out(path("t.txt"), std::ios::binary);
        out << "\xEF\xBB\xBF";  // a byte-order mark, as some editors write
        for (const std::string& line : lines(readFile(path("clip.gt.txt"))))
            out << line << end;
        out.close();
        const Result r = track("clip.avi -q --seed 1 --frames 5 --targets t.txt --gt t.txt --mot m.txt");
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(lines(readFile(path("m.txt"))).size(), 5u * 9) << "every box is a target";
        EXPECT_NE(r.out.find("(objects 45, matches 45,"), std::string::npos) << "every box is truth\n" << r.out;
    }
}

TEST_F(CliCommand, AnUnseededRunPrintsTheSeedThatRepeatsIt)
{
    makeClip(4);
    const std::string common = "clip.avi --demo-targets --samples 100 --iterations 300";
    const Result first = track(common + " --mot a.txt --estimates a.csv");
    ASSERT_EQ(first.status, 0) << first.err;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(first.out, match, std::regex(", seed (-?[0-9]+)\n$"))) << first.out;
    const std::string seed = match[1];
    ASSERT_EQ(track(common + " --seed " + seed + " --mot b.txt --estimates b.csv").status, 0);
    EXPECT_EQ(readFile(path("a.txt")), readFile(path("b.txt")));
    EXPECT_EQ(readFile(path("a.csv")), readFile(path("b.csv")));

    // Quiet runs print it only when asked to; a given seed is printed as given.
    EXPECT_EQ(track(common + " -q").out, "");
    const Result quiet = track(common + " -q --print-seed --seed -12");
    EXPECT_EQ(quiet.out, "seed -12\n");
    EXPECT_NE(track(common + " -q --print-seed").out, track(common + " -q --print-seed").out);
}

TEST_F(CliCommand, TimingsTableEveryStageOnStderrAndChangeNothing)
{
    makeClip(6);
    const std::string common = "clip.avi -q --seed 3 --demo-targets --samples 100 --robust";
    const Result plain = track(common + " --mot a.txt");
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.err, "") << "no table unless asked for";
    const Result timed = track(common + " --mot b.txt --timings");
    ASSERT_EQ(timed.status, 0) << timed.err;
    EXPECT_EQ(readFile(path("a.txt")), readFile(path("b.txt")));
    double shares = 0.0;
    for (const char* stage : {"decoding", "conversion and binning", "background", "camera motion",
                              "proposing and measuring", "joint move", "estimates and states", "box fitting",
                              "outputs and drawing", "whole frame"}) {
        std::smatch row;
        ASSERT_TRUE(std::regex_search(timed.err, row,
                                      std::regex(std::string("\\n") + stage + " +([0-9.]+) +([0-9.]+) %\\n")))
            << stage << " missing from\n" << timed.err;
        if (std::string(stage) != "whole frame")
            shares += std::stod(row[2]);
    }
    EXPECT_NEAR(shares, 100.0, 0.5) << timed.err;
}

TEST_F(CliCommand, ARunTooLargeForTheMachineIsRefusedAtOnce)
{
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer reserves terabytes of shadow address space at start,
    // which the capped address space below cannot give.
    GTEST_SKIP() << "the address-space cap cannot hold AddressSanitizer's shadow memory";
#endif
    // As many targets of 500 samples as the store takes: about 100 GiB.
    const int targets = static_cast<int>(targetsThatFit(500));
    const uint64_t needed = trackerMemory(targets, 500).total;
    if (needed <= physicalMemory())
        GTEST_SKIP() << "this machine holds " << byteCount(needed);
    {
        std::ofstream out(path("many.txt"));
        for (int id = 1; id <= targets; ++id)
            out << "1," << id << "," << id % 300 << ",10,10,10\n";
    }
    makeClip(1);
    // Should the refusal fail, the run must not take the test machine's
    // memory: its address space is capped at 4 GiB.
    const Result r = shell("ulimit -v 4194304; '" TAVO_TRACK "' clip.avi -q --targets many.txt --mot m.txt");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("the run needs about " + byteCount(needed) + " of memory for " +
                         std::to_string(targets) + " targets of 500 samples"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("but the machine has " + byteCount(physicalMemory())),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(path("m.txt")));
}

TEST_F(CliCommand, NoiseBeyondTheFrameIsRefused)
{
    makeClip(2);
    for (const char* noise : {"3e38", "1e37", "321"}) {
        const Result r = track(std::string("clip.avi --demo-targets -q --mot m.txt --noise ") + noise);
        EXPECT_EQ(r.status, 2) << noise;
        EXPECT_NE(r.err.find("at most 320, the larger side of the frame (320x320)"), std::string::npos) << r.err;
    }
    EXPECT_EQ(track("clip.avi --demo-targets -q --seed 1 --samples 100 --noise 320 --mot m.txt").status, 0);
    for (const std::string& line : lines(readFile(path("m.txt"))))
        EXPECT_EQ(line.find("nan"), std::string::npos) << line;
}

TEST_F(CliCommand, MessagesNameTheLimitAndTheReason)
{
    makeClip(2);
    const struct {
        const char* args;
        const char* message;
    } cases[] = {
        {"clip.avi --demo-targets --frames 2147483648", "--frames '2147483648': at most 2147483647"},
        {"clip.avi --demo-targets --video nowhere/v.avi", "cannot create 'nowhere/v.avi': No such file or directory"},
        {"clip.avi --demo-targets --video v", "cannot create the video 'v': the name needs an extension"},
        {"clip.avi --demo-targets --video v.xyz", "no MJPG video can be written with the extension '.xyz'"},
        {"clip.avi --demo-targets --mot .", "cannot create '.': Is a directory"},
    };
    for (const auto& c : cases) {
        const Result r = track(c.args);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_EQ(r.err.find("tavo-track: ", 1), std::string::npos) << "one message: " << r.err;
    }
    std::ofstream(path("big.txt")) << "1,1,10,10,1e10,18\n";
    EXPECT_NE(track("clip.avi --targets big.txt").err.find("big.txt:1: '1e10' is too large"), std::string::npos);
    // Frames too small for the encoder (one-pixel wide images).
    writeSunRaster(path("thin_000.sr"), cv::Mat(8, 1, CV_8UC3, cv::Scalar(0, 0, 255)));
    const Result thin = track("thin_%03d.sr --box 0,0,1,4 --video out.avi");
    EXPECT_NE(thin.err.find("the encoder takes frames of at least 8x2 pixels, not 1x8"), std::string::npos)
        << thin.err;
}

TEST_F(CliCommand, InputsThatCannotBeReadSayWhy)
{
    makeClip(2);
    fs::create_directory(path("dir"));
    std::ofstream(path("nul.txt"), std::ios::binary) << std::string("1,1,10\0,10,18,18\n", 17);
    const struct {
        const char* args;
        const char* message;
    } cases[] = {
        {"--targets dir", "--targets 'dir': a directory, not a targets file"},
        {"--demo-targets --gt dir", "--gt 'dir': a directory, not a ground-truth file"},
        {"--demo-targets --gt /dev/zero", "--gt '/dev/zero': not a text file (a NUL byte on line 1)"},
        {"--targets nul.txt", "--targets 'nul.txt': not a text file (a NUL byte on line 1)"},
    };
    for (const auto& c : cases) {
        const Result r = track(std::string("clip.avi -q ") + c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_EQ(r.err, std::string("tavo-track: ") + c.message + "\n");
    }

    // Frames of 32-bit floating-point pixels.
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(cv::imwrite(path("float_" + std::to_string(i) + ".tiff").string(),
                                cv::Mat(48, 64, CV_32FC3, cv::Scalar(0.5, 0.5, 0.5))));
    EXPECT_EQ(track("float_%d.tiff -q --box 1,1,4,4").err,
              "tavo-track: cannot use the first frame of 'float_%d.tiff': its pixels are 32-bit floating point, "
              "not 8-bit\n");

    // A video in a folder the user cannot open, and one the user cannot
    // read (the superuser reads all: the command runs as nobody then).
    fs::create_directory(path("closed"));
    fs::copy_file(path("clip.avi"), path("closed/clip.avi"));
    fs::copy_file(path("clip.avi"), path("unread.avi"));
    fs::permissions(path("closed"), fs::perms::none);
    fs::permissions(path("unread.avi"), fs::perms::none);
    const std::string as = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    for (const std::string video : {"closed/clip.avi", "unread.avi"})
        EXPECT_EQ(shell(as + "'" TAVO_TRACK "' " + video + " --demo-targets -q").err,
                  "tavo-track: cannot open the video '" + video + "': permission denied\n");
    fs::permissions(path("closed"), fs::perms::owner_all);
}

TEST_F(CliCommand, AFrameTooLargeForMemorySaysSo)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address-space cap cannot hold AddressSanitizer's shadow memory";
#endif
    // A 12000 x 12000 picture (a small file) in an address space of about
    // 1 GB: the decoder cannot hold it as BGR.
    ASSERT_TRUE(cv::imwrite(path("huge_0.png").string(), cv::Mat(12000, 12000, CV_8UC1, cv::Scalar(0))));
    const Result r = shell("ulimit -v 1000000; '" TAVO_TRACK "' huge_%d.png -q --box 1,1,5,5");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tavo-track: cannot use the first frame of 'huge_%d.png': not enough memory to decode it\n");
}
