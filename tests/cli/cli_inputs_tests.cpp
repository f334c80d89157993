// What tavo-track reads: whose targets a video gets, folders of images, a
// MOTChallenge sequence folder, a camera, --start and targets that join on
// later frames.

#include "command_run.h"

#include <opencv2/imgcodecs.hpp>

#include <cctype>
#include <fstream>
#include <set>

namespace {

using namespace command_run;

// The MOT rows of one id, as "frame,id,x,y,w,h" (the first six columns).
std::vector<std::string> rowsOf(const std::string& mot, int id)
{
    std::vector<std::string> rows;
    for (const std::string& line : lines(mot)) {
        const std::vector<std::string> f = split(line);
        if (std::stoi(f[1]) == id)
            rows.push_back(f[0] + "," + f[1] + "," + f[2] + "," + f[3] + "," + f[4] + "," + f[5]);
    }
    return rows;
}

// The frame numbers of a result file's rows (a header line left out).
std::set<int> framesOf(const std::string& results)
{
    std::set<int> frames;
    for (const std::string& line : lines(results))
        if (std::isdigit(static_cast<unsigned char>(line[0])))
            frames.insert(std::stoi(split(line)[0]));
    return frames;
}

class CliInputs : public CliCommand {
protected:
    // Frames 1 to `frames` of the synthetic clip as images `folder`/NAME
    // with NAME from the printf pattern.
    void writeImages(const fs::path& folder, const char* pattern, int frames) const
    {
        fs::create_directories(folder);
        for (int f = 1; f <= frames; ++f) {
            char name[64];
            std::snprintf(name, sizeof name, pattern, f);
            ASSERT_TRUE(cv::imwrite((folder / name).string(), synthetic::frameAt(f)));
        }
    }
};

TEST_F(CliInputs, OnlyTheDemoVideoHasTargetsWithoutBeingGivenAny)
{
    makeClip(3);
    Result r = track("clip.avi -q --mot m.txt");
    EXPECT_EQ(r.status, 2);
    for (const char* option : {"--box", "--targets", "--select", "--demo-targets"})
        EXPECT_NE(r.err.find(option), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(path("m.txt")));

    // The command alone, away from the demo's video, shows how to use it.
    r = track("");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("Usage: tavo-track [VIDEO]", 0), 0u) << r.err;

    // The demo's nine asked for, or the demo's video by its name.
    r = track("clip.avi -q --demo-targets --frames 2 --samples 100 --seed 1 --mot m.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(readFile(path("m.txt"))).size(), 18u);
    fs::create_directories(path("demo"));
    fs::copy_file(path("clip.avi"), path("demo/TAVO_DEMO.avi"));
    r = track("demo/TAVO_DEMO.avi -q --frames 2 --samples 100 --seed 1 --mot d.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(path("d.txt")), readFile(path("m.txt")));
    EXPECT_EQ(track("clip.avi --demo-targets --box 1,1,5,5").status, 2);
}

TEST_F(CliInputs, AFolderOfImagesIsReadInNaturalOrderLikeItsImageSequence)
{
    // img1.png ... img12.png: in plain text order img10 would follow img1.
    writeImages(path("frames"), "img%d.png", 12);
    std::ofstream(path("frames/notes.txt")) << "not an image\n";
    std::ofstream(path("frames/.hidden.png")) << "not an image either\n";
    const std::string run = " -q --demo-targets --samples 100 --seed 3 --mot ";
    Result r = track("frames" + run + "folder.txt --video v.avi");
    ASSERT_EQ(r.status, 0) << r.err;
    r = track("frames/img%d.png" + run + "sequence.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(path("folder.txt")), readFile(path("sequence.txt")));
    EXPECT_EQ(framesOf(readFile(path("folder.txt"))).size(), 12u);
    EXPECT_EQ(cv::VideoCapture(path("v.avi").string()).get(cv::CAP_PROP_FPS), 25.0) << "no rate known: 25";

    fs::create_directories(path("empty"));
    r = track("empty --demo-targets");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("'empty': the folder holds no images"), std::string::npos) << r.err;
}

TEST_F(CliInputs, AMotSequenceFolderGivesItsFramesAndFrameRate)
{
    makeClip(8);
    writeImages(path("SEQ/img1"), "%06d.png", 8);
    std::ofstream(path("SEQ/seqinfo.ini")) << "[Sequence]\nname=SEQ\nimDir=img1\nframeRate=30\nseqLength=8\n";
    fs::create_directories(path("SEQ/gt"));
    fs::copy_file(path("clip.gt.txt"), path("SEQ/gt/gt.txt"));
    // Its ground truth is not used unless named.
    EXPECT_EQ(track("SEQ -q").status, 2);
    const std::string run = " -q --targets SEQ/gt/gt.txt --samples 100 --seed 2 --mot ";
    Result r = track("SEQ" + run + "seq.txt --video v.avi");
    ASSERT_EQ(r.status, 0) << r.err;
    r = track("SEQ/img1/%06d.png" + run + "images.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(path("seq.txt")), readFile(path("images.txt")));
    EXPECT_EQ(framesOf(readFile(path("seq.txt"))).size(), 8u);
    EXPECT_EQ(cv::VideoCapture(path("v.avi").string()).get(cv::CAP_PROP_FPS), 30.0);
}

TEST_F(CliInputs, ACameraThatIsNotThereIsAClearError)
{
    // No machine the tests run on has 64 cameras.
    Result r = track("--camera 63 --box 10,10,20,20 --mot m.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tavo-track: --camera 63: no camera 63 (there is no /dev/video63)\n");
    EXPECT_FALSE(fs::exists(path("m.txt")));
    r = track("--camera 63");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--camera 63: no targets given"), std::string::npos) << r.err;
    EXPECT_EQ(track("clip.avi --camera 0 --select").status, 2) << "one input at a time";
}

TEST_F(CliInputs, StartKeepsTheVideosFrameNumbers)
{
    makeClip(20);
    // The targets' boxes of frame 11, where the run begins.
    const Result r = track("clip.avi --targets clip.gt.txt --start 11 --frames 5 --seed 1 --gt clip.gt.txt "
                           "--mot m.txt --estimates e.csv --plot p.png");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(framesOf(readFile(path("m.txt"))), (std::set<int>{11, 12, 13, 14, 15}));
    EXPECT_EQ(framesOf(readFile(path("e.csv"))), (std::set<int>{11, 12, 13, 14, 15}));
    EXPECT_NE(r.out.find("frames 11 to 15\n"), std::string::npos) << r.out;
    // Only the frames tracked are scored, and the boxes fit them.
    EXPECT_NE(r.out.find("objects 45, matches 45,"), std::string::npos) << r.out;

    const Result beyond = track("clip.avi --demo-targets --start 21 --mot b.txt");
    EXPECT_EQ(beyond.status, 1);
    EXPECT_EQ(beyond.err, "tavo-track: 'clip.avi' has 20 frames: --start 21 lies beyond its end\n");
}

TEST_F(CliInputs, ATargetOfALaterFrameJoinsThereWithItsId)
{
    makeClip(12);
    // Target 9 only from frame 6 on, target 8 from frame 8 on: they join
    // in the order of their frames, not of their ids.
    const std::string truth = readFile(path("clip.gt.txt"));
    std::ofstream targets(path("targets.txt"));
    for (const std::string& line : lines(truth)) {
        const std::vector<std::string> f = split(line);
        if ((f[1] != "9" || std::stoi(f[0]) >= 6) && (f[1] != "8" || std::stoi(f[0]) >= 8))
            targets << line << "\n";
    }
    targets.close();
    Result r = track("clip.avi -q --targets targets.txt --gt clip.gt.txt --seed 1 --mot m.txt --plot p.png");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> rows = rowsOf(readFile(path("m.txt")), 9);
    ASSERT_EQ(rows.size(), 7u);
    // Its first row is its box on frame 6.
    const std::vector<std::string> box = split(rowsOf(truth, 9)[5]);
    EXPECT_EQ(rows[0], "6,9," + box[2] + ".00," + box[3] + ".00,18.00,18.00");
    EXPECT_EQ(rowsOf(readFile(path("m.txt")), 1).size(), 12u);
    // Scored from its first frame, each against its own object; its object
    // is missed before it.
    for (const char* row : {"     8       5  ", "     9       7  "}) {
        const size_t at = r.out.find(row);
        ASSERT_NE(at, std::string::npos) << r.out;
        EXPECT_NE(r.out.substr(at, r.out.find('\n', at) - at).find(" 1.000 "), std::string::npos) << r.out;
    }
    EXPECT_NE(r.out.find("misses 12,"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(path("p.png")));

    // From frame 6 on, every target starts on frame 6.
    r = track("clip.avi -q --targets targets.txt --start 6 --seed 1 --mot s.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(rowsOf(readFile(path("s.txt")), 9).size(), 7u);
    EXPECT_EQ(rowsOf(readFile(path("s.txt")), 1).size(), 7u);
    // A file whose first boxes come after the first frame tracked.
    std::ofstream(path("late.txt")) << "4,1,10,10,18,18\n";
    r = track("clip.avi -q --targets late.txt");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no box on frame 1, the first frame tracked (its first boxes are on frame 4): start "
                         "there with --start 4"),
              std::string::npos)
        << r.err;
}

}  // namespace
