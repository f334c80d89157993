// What tavo-track does to the files it writes: a failed run leaves earlier
// files as they were and no temporary file behind, a full disk or a broken
// standard output fails the run, links are followed, and an interrupted run
// closes its files properly.

#include "command_run.h"

#include <opencv2/videoio.hpp>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <regex>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace command_run;

namespace {

// The temporary files of a run in `dir` (hidden, named ".tavo-...").
std::vector<std::string> temporaryFiles(const fs::path& dir)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().filename().string().rfind(".tavo-", 0) == 0)
            found.push_back(entry.path().filename().string());
    return found;
}

// Frames a video file reads back with, and the frame count it declares.
std::pair<int, int> videoFrames(const fs::path& path)
{
    cv::VideoCapture video(path.string(), cv::CAP_FFMPEG);
    if (!video.isOpened())
        return {-1, -1};
    const int declared = static_cast<int>(video.get(cv::CAP_PROP_FRAME_COUNT));
    int frames = 0;
    while (video.grab())
        ++frames;
    return {frames, declared};
}

void writeText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

}  // namespace

TEST_F(CliCommand, AFailedRunLeavesEarlierFilesAsTheyWere)
{
    makeClip(3);
    const std::string common = "clip.avi -q --seed 1 --samples 100 --mot p.mot --video k.avi ";
    writeText(path("p.mot"), "earlier tracks\n");
    writeText(path("k.avi"), "earlier video");
    ::chmod(path("p.mot").c_str(), 0640);
    // Refused at the start (a folder that does not exist) and failed on the
    // way (a device that is full): nothing is replaced, nothing is left.
    for (const char* failing : {"--estimates nope/e.csv", "--estimates /dev/full"}) {
        const Result r = track(common + failing);
        EXPECT_EQ(r.status, 1) << failing;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one message: " << r.err;
        EXPECT_EQ(readFile(path("p.mot")), "earlier tracks\n") << failing;
        EXPECT_EQ(readFile(path("k.avi")), "earlier video") << failing;
        EXPECT_EQ(temporaryFiles(dir_), std::vector<std::string>()) << failing;
    }
    EXPECT_NE(track(common + "--estimates nope/e.csv").err.find("'nope/e.csv': No such file or directory"),
              std::string::npos);

    // A run that succeeds replaces them, keeping their permissions.
    const Result r = track(common + "--estimates e.csv");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(readFile(path("p.mot"))).size(), 3u * 9);
    EXPECT_EQ(videoFrames(path("k.avi")), std::make_pair(3, 3));
    EXPECT_EQ(fs::status(path("p.mot")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(temporaryFiles(dir_), std::vector<std::string>());
}

TEST_F(CliCommand, AFullFileSystemFailsTheRun)
{
    // A file system of 300 KiB holds a few frames of the clip, not 60.
    makeClip(60);
    const fs::path full = path("full");
    fs::create_directories(full);
    if (::mount("tmpfs", full.c_str(), "tmpfs", 0, "size=300k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno)
                     << "): the full-disk case is not tested";
    struct Unmount {
        fs::path dir;
        ~Unmount() { ::umount2(dir.c_str(), MNT_DETACH); }
    } unmount{full};

    writeText(full / "k.avi", "earlier video");
    Result r = track("clip.avi -q --seed 1 --samples 100 --iterations 500 --video full/k.avi");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tavo-track: cannot write 'full/k.avi': No space left on device\n");
    EXPECT_EQ(readFile(full / "k.avi"), "earlier video");
    EXPECT_EQ(temporaryFiles(full), std::vector<std::string>());

    // The text files fail on their own writes: enough targets fill the disk.
    fs::remove(full / "k.avi");
    std::string boxes;
    for (int i = 0; i < 100; ++i)
        boxes += " --box " + std::to_string(i % 10 * 30) + "," + std::to_string(i / 10 * 30) + ",10,10";
    r = track("clip.avi -q --seed 1 --samples 20 --iterations 10 --mot full/m.txt --estimates full/e.csv" + boxes);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
    EXPECT_EQ(temporaryFiles(full), std::vector<std::string>());
    EXPECT_FALSE(fs::exists(full / "m.txt"));

    // What fits is written and checked as usual.
    r = track("clip.avi -q --seed 1 --samples 100 --iterations 500 --frames 4 --video full/k.avi");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(videoFrames(full / "k.avi"), std::make_pair(4, 4));
}

TEST_F(CliCommand, AStandardOutputThatCannotBeWrittenFailsTheRun)
{
    makeClip(2);
    const std::string run = "clip.avi --seed 1 --samples 100 --gt clip.gt.txt --mot m.txt";
    Result r = track(run + " >/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tavo-track: cannot write the standard output: No space left on device\n");
    EXPECT_FALSE(fs::exists(path("m.txt"))) << "the results of a failed run are not kept";

    r = track(run + " >&-");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tavo-track: cannot write the standard output: Bad file descriptor\n");
    EXPECT_FALSE(fs::exists(path("m.txt")));
    EXPECT_EQ(track("--help >&-").status, 1);

    // Nothing to print: a closed standard output does no harm, and no file
    // takes its place.
    r = track("clip.avi -q --seed 1 --samples 100 --mot m.txt >&-");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(readFile(path("m.txt"))).size(), 2u * 9);
}

TEST_F(CliCommand, NamesAreComparedAndWrittenThroughLinks)
{
    makeClip(2);
    // b.txt leads to a.txt, which does not exist yet.
    fs::create_symlink("a.txt", path("b.txt"));
    Result r = track("clip.avi --seed 1 --samples 100 --mot a.txt --estimates b.txt");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("name the same file"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(path("a.txt")));

    // Results written through a link go to the file it leads to; the link
    // stays a link.
    fs::create_directories(path("real"));
    writeText(path("real/old.txt"), "earlier\n");
    fs::create_symlink("real/old.txt", path("to-old.txt"));
    fs::create_symlink("real/new.txt", path("to-new.txt"));
    r = track("clip.avi -q --seed 1 --samples 100 --mot to-old.txt --estimates to-new.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(path("to-old.txt")));
    EXPECT_TRUE(fs::is_symlink(path("to-new.txt")));
    EXPECT_EQ(lines(readFile(path("real/old.txt"))).size(), 2u * 9);
    EXPECT_EQ(lines(readFile(path("real/new.txt"))).size(), 1u + 2 * 9);
    EXPECT_EQ(temporaryFiles(path("real")), std::vector<std::string>());
}

namespace {

// Starts tavo-track with these arguments in `dir`, its stderr into
// dir/stderr.txt; the child's pid (below 0 when it cannot be started).
pid_t startTrackIn(const fs::path& dir, std::vector<const char*> args)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::chdir(dir.c_str());
        const int err = ::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(err, 2);
        args.insert(args.begin(), TAVO_TRACK);
        args.push_back(nullptr);
        ::execv(TAVO_TRACK, const_cast<char* const*>(args.data()));
        ::_exit(127);
    }
    return child;
}

}  // namespace

TEST_F(CliCommand, AnInterruptedRunClosesItsFiles)
{
    // Long enough that the signal comes mid-run.
    makeClip(400);
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        fs::remove(path("k.avi"));
        fs::remove(path("m.txt"));
        const pid_t child =
            startTrackIn(dir_, {"clip.avi", "-q", "--seed", "1", "--mot", "m.txt", "--video", "k.avi"});
        ASSERT_GE(child, 0);
        // Once the files are open, give it a few frames.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (temporaryFiles(dir_).size() < 2 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::kill(child, signal);
        int raw = 0;
        ASSERT_EQ(::waitpid(child, &raw, 0), child);
        ASSERT_TRUE(WIFEXITED(raw)) << "ended by signal " << WTERMSIG(raw);
        EXPECT_EQ(WEXITSTATUS(raw), 128 + signal);

        const std::string err = readFile(path("stderr.txt"));
        std::smatch match;
        ASSERT_TRUE(std::regex_match(err, match, std::regex("tavo-track: interrupted after ([0-9]+) frames?\n"))) << err;
        const int frames = std::stoi(match[1]);
        EXPECT_GT(frames, 0);
        EXPECT_LT(frames, 400) << "the run ended before the signal came";
        EXPECT_EQ(lines(readFile(path("m.txt"))).size(), 9u * frames);
        EXPECT_EQ(videoFrames(path("k.avi")), std::make_pair(frames, frames)) << "index and header complete";
        EXPECT_EQ(temporaryFiles(dir_), std::vector<std::string>());
    }
}

TEST_F(CliCommand, AnInterruptActsWithinALongFrame)
{
    // Two billion joint-move iterations: the first frame alone would take
    // most of a minute.
    makeClip(5);
    const pid_t child = startTrackIn(
        dir_, {"clip.avi", "-q", "--seed", "1", "--box", "40,40,18,18", "--iterations", "2000000000", "--mot", "m.txt"});
    ASSERT_GE(child, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // well into the first frame
    ::kill(child, SIGINT);
    const auto signalled = std::chrono::steady_clock::now();
    int raw = 0;
    ASSERT_EQ(::waitpid(child, &raw, 0), child);
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(5)) << "a prompt stop";
    ASSERT_TRUE(WIFEXITED(raw)) << "ended by signal " << WTERMSIG(raw);
    EXPECT_EQ(WEXITSTATUS(raw), 130);
    EXPECT_EQ(readFile(path("stderr.txt")), "tavo-track: interrupted after 0 frames\n");
    EXPECT_FALSE(fs::exists(path("m.txt"))) << "the unfinished frame is not written";
    EXPECT_EQ(temporaryFiles(dir_), std::vector<std::string>());
}
