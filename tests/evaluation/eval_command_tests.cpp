// tavo-eval run as a user runs it: the evaluator's folder layout, result
// files against one ground truth, the CSV and plot, and the treatment of
// faulty input.

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

void writeFile(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

const char* const kColumns =
    "tracker,sequence,HOTA,DetA,AssA,LocA,HOTA0,IDF1,IDP,IDR,MOTA,MOTP,IDSW,MT,PT,ML,Frag,AUC,Prec20,Success50";

// A sequence of `ids` wandering targets; a tracker's result is a noisy copy
// whose ids change now and then and which misses some boxes.
struct Lines {
    std::string truth, result;
};

Lines sequenceLines(unsigned seed, int frames, int ids, int frameOffset = 0, int idOffset = 0)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> step(-3, 3), noise(-2, 2), percent(0, 99);
    std::ostringstream truth, result;
    for (int id = 1; id <= ids; ++id) {
        int x = 40 * id, y = 30, resultId = id;
        for (int f = 1; f <= frames; ++f) {
            x += step(random);
            y += step(random);
            truth << f + frameOffset << ',' << id + idOffset << ',' << x << ',' << y << ",20,30,1,1,1\n";
            if (percent(random) < 8)
                resultId += 100;
            if (percent(random) < 85)
                result << f + frameOffset << ',' << resultId + idOffset << ',' << x + noise(random) << ','
                       << y + noise(random) << ",20,30,0.9,-1,-1,-1\n";
        }
    }
    return {truth.str(), result.str()};
}

class EvalCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::path(TAVO_BINARY_DIR) / "eval-test-runs" / info->name();
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }

    fs::path path(const std::string& name) const { return dir_ / name; }

    Outcome eval(const std::string& args) const
    {
        const std::string line = "cd '" + dir_.string() + "' && '" TAVO_EVAL "' " + args + " >stdout.txt 2>stderr.txt </dev/null";
        Outcome r;
        const int raw = std::system(line.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = readFile(path("stdout.txt"));
        r.err = readFile(path("stderr.txt"));
        return r;
    }

    void addSequence(const std::string& name, int frames, const std::string& truth) const
    {
        writeFile(path("gt") / name / "gt" / "gt.txt", truth);
        writeFile(path("gt") / name / "seqinfo.ini",
                  "[Sequence]\nname=" + name + "\nseqLength=" + std::to_string(frames) + "\n");
    }

    void addResult(const std::string& tracker, const std::string& sequence, const std::string& lines) const
    {
        writeFile(path("trackers") / tracker / "data" / (sequence + ".txt"), lines);
    }

    // The CSV's row of `tracker` on `sequence`.
    std::vector<std::string> csvRow(const std::string& csv, const std::string& tracker, const std::string& sequence) const
    {
        for (const std::string& line : split(readFile(path(csv)), '\n')) {
            const auto fields = split(line, ',');
            if (fields.size() > 2 && fields[0] == tracker && fields[1] == sequence)
                return fields;
        }
        ADD_FAILURE() << "no row " << tracker << " " << sequence << " in " << csv;
        return {};
    }

    fs::path dir_;
};

TEST_F(EvalCommand, CombinedRowEqualsTheSequencesConcatenated)
{
    const int framesA = 40, framesB = 25, idOffset = 1000;
    const Lines a1 = sequenceLines(1, framesA, 4), b1 = sequenceLines(2, framesB, 3);
    const Lines a2 = sequenceLines(3, framesA, 4), b2 = sequenceLines(4, framesB, 3);
    addSequence("SEQ-A", framesA, a1.truth);
    addSequence("SEQ-B", framesB, b1.truth);
    addResult("first", "SEQ-A", a1.result);
    addResult("first", "SEQ-B", b1.result);
    addResult("second", "SEQ-A", a2.result);
    addResult("second", "SEQ-B", b2.result);
    writeFile(path("seqmap.txt"), "name\nSEQ-A\nSEQ-B\n");
    const Outcome folders = eval("--gt-folder gt --trackers-folder trackers --seqmap seqmap.txt --csv folders.csv");
    ASSERT_EQ(folders.status, 0) << folders.err;

    // The same boxes as one sequence: B's frames after A's, its ids apart.
    const Lines b1Later = sequenceLines(2, framesB, 3, framesA, idOffset);
    const Lines b2Later = sequenceLines(4, framesB, 3, framesA, idOffset);
    writeFile(path("all-gt.txt"), a1.truth + b1Later.truth);
    writeFile(path("first.txt"), a1.result + b1Later.result);
    writeFile(path("second.txt"), a2.result + b2Later.result);
    const Outcome joined = eval("--gt all-gt.txt first.txt second.txt --csv joined.csv");
    ASSERT_EQ(joined.status, 0) << joined.err;

    const double printedPrecision = 2e-6;  // six decimals
    for (const std::string tracker : {"first", "second"}) {
        const auto combined = csvRow("folders.csv", tracker, "COMBINED");
        const auto concatenated = csvRow("joined.csv", tracker, "all-gt");
        ASSERT_EQ(combined.size(), 20u);
        ASSERT_EQ(concatenated.size(), 20u);
        for (size_t i = 2; i < combined.size(); ++i)
            EXPECT_NEAR(std::stod(combined[i]), std::stod(concatenated[i]), printedPrecision)
                << tracker << " column " << split(kColumns, ',')[i];
        EXPECT_LT(std::stod(combined[2]), 0.99);  // HOTA: the results are not perfect
    }
    EXPECT_GT(std::stoi(csvRow("folders.csv", "first", "COMBINED")[12]), 0);  // IDSW

    // Per tracker: the evaluator's two files, the combined row in both.
    const auto summary = split(readFile(path("trackers/first/summary.txt")), '\n');
    ASSERT_EQ(summary.size(), 2u);
    EXPECT_EQ(summary[0], "HOTA DetA AssA LocA HOTA0 IDF1 IDP IDR MOTA MOTP IDSW MT PT ML Frag AUC Prec20 Success50");
    const auto detailed = split(readFile(path("trackers/first/detailed.csv")), '\n');
    ASSERT_EQ(detailed.size(), 4u);
    EXPECT_EQ(detailed[1].rfind("SEQ-A,", 0), 0u);
    EXPECT_EQ(detailed[2].rfind("SEQ-B,", 0), 0u);
    EXPECT_EQ(detailed[3].rfind("COMBINED,", 0), 0u);
    EXPECT_EQ(split(summary[1], ' ')[0], split(detailed[3], ',')[1]);
}

TEST_F(EvalCommand, TableCsvAndPlotForResultFiles)
{
    const Lines s = sequenceLines(5, 20, 3);
    writeFile(path("truth.txt"), s.truth);
    writeFile(path("mine.txt"), s.result);
    writeFile(path("perfect.txt"), s.truth);
    const Outcome r = eval("--gt truth.txt mine.txt perfect.txt --csv table.csv --plot curves.png");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto csv = split(readFile(path("table.csv")), '\n');
    ASSERT_EQ(csv.size(), 3u);
    EXPECT_EQ(csv[0], kColumns);
    EXPECT_EQ(csv[2], "perfect,truth,1.000000,1.000000,1.000000,1.000000,1.000000,1.000000,1.000000,1.000000,"
                      "1.000000,1.000000,0,3,0,0,0,0.952381,1.000000,1.000000");
    // The printed table: a header and a row per result.
    const auto printed = split(r.out, '\n');
    ASSERT_EQ(printed.size(), 3u);
    EXPECT_NE(printed[0].find("HOTA"), std::string::npos);
    EXPECT_EQ(printed[1].rfind("mine ", 0), 0u);
    const cv::Mat plot = cv::imread(path("curves.png").string());
    EXPECT_FALSE(plot.empty());
    EXPECT_GT(plot.cols, plot.rows);  // two charts side by side
}

TEST_F(EvalCommand, FaultyInputIsReportedNotScored)
{
    writeFile(path("truth.txt"), "1,1,0,0,10,10,1\n2,1,0,0,10,10,1\n");
    writeFile(path("bad.txt"), "1,1,0,0,10,10\n2,1,zero,0,10,10\n");
    Outcome r = eval("--gt truth.txt bad.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("bad.txt:2: x, y, w and h must be numbers"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");

    writeFile(path("twice.txt"), "1,3,0,0,10,10\n2,3,0,0,10,10\n2,3,5,5,10,10\n");
    r = eval("--gt truth.txt twice.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("twice.txt:3: id 3 is given twice on frame 2 (first on line 2)"), std::string::npos) << r.err;

    writeFile(path("detections.txt"), "1,-1,0,0,10,10\n1,-1,50,0,10,10\n");
    r = eval("--gt truth.txt detections.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("detections.txt:2: id -1 is given twice on frame 1 (first on line 1): boxes without identity"),
              std::string::npos)
        << r.err;

    writeFile(path("empty.txt"), "");
    r = eval("--gt truth.txt empty.txt");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("warning: empty.txt: no boxes in the file"), std::string::npos) << r.err;

    // Without the sequence's length, boxes past the truth are pointed out.
    writeFile(path("longer.txt"), "1,1,0,0,10,10\n2,1,0,0,10,10\n3,1,0,0,10,10\n");
    r = eval("--gt truth.txt longer.txt");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("longer.txt: 1 box on frames after the ground truth's last (2)"), std::string::npos) << r.err;
}

TEST_F(EvalCommand, FolderFaultsNameTheSequenceAndFile)
{
    addSequence("S1", 2, "1,1,0,0,10,10,1\n2,1,0,0,10,10,1\n");
    addResult("t", "S1", "1,1,0,0,10,10\n3,1,0,0,10,10\n");
    Outcome r = eval("--gt-folder gt --trackers-folder trackers");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("S1.txt:2: frame 3 is beyond the sequence's 2 frames (seqLength in"), std::string::npos)
        << r.err;

    writeFile(path("seqmap.txt"), "name\nS1\nS2\n");
    r = eval("--gt-folder gt --trackers-folder trackers --seqmap seqmap.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("sequence S2: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("S2/gt/gt.txt is missing (the sequence is named in seqmap.txt)"), std::string::npos)
        << r.err;

    addSequence("S2", 2, "1,1,0,0,10,10,1\n");
    addResult("t", "S1", "1,1,0,0,10,10\n");
    r = eval("--gt-folder gt --trackers-folder trackers");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("tracker t: trackers/t/data/S2.txt is missing"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(path("trackers/t/summary.txt")));
}

TEST_F(EvalCommand, UsageErrorsAndHelp)
{
    for (const std::string args : {"", "--gt truth.txt", "--gt-folder gt", "--gt a.txt --gt-folder gt r.txt",
                                   "--gt a.txt r.txt --plot out.jpg", "--gt a.txt r.txt --frobnicate"}) {
        const Outcome r = eval(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find("tavo-eval: "), std::string::npos) << args;
    }
    const Outcome help = eval("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("MOTP"), std::string::npos);
    EXPECT_NE(help.out.find("not a distance"), std::string::npos);
    EXPECT_NE(help.out.find("negative"), std::string::npos);
}

// Sanitized debug builds run about ten times slower: a fifth of the lines.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kTimedFrames = 400;
#else
constexpr int kTimedFrames = 2000;
#endif

TEST_F(EvalCommand, HundredThousandLinesInSeconds)
{
    // 2000 frames of 50 targets: 10^5 lines of truth and about as many of
    // results.  Far under a second per 10^4 lines on an idle machine; the
    // bound leaves room for a loaded one and catches a quadratic blow-up.
    const Lines s = sequenceLines(6, kTimedFrames, 50);
    writeFile(path("truth.txt"), s.truth);
    writeFile(path("result.txt"), s.result);
    const auto start = std::chrono::steady_clock::now();
    const Outcome r = eval("--gt truth.txt result.txt");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_LT(seconds, 60.0);
    std::printf("tavo-eval on %d truth lines: %.2f s\n", kTimedFrames * 50, seconds);
}

}  // namespace
