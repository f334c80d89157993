// What tavo-track does to the files it writes, the --plot pictures
// included: a failed run leaves earlier files as they were and no temporary
// file behind, a full disk or a broken standard output fails the run, links
// are followed, names that cannot be written or files that are
// write-protected are refused at the start, an interrupted run closes its
// files properly, and one ended by a signal leaves no temporary file for
// long.

#include "command_run.h"

#include "programs/track/video_codec.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/videoio.hpp>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <regex>
#include <sstream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace command_run;

namespace {

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

// The fourcc a video file reads back with, as its four characters.
std::string videoFourcc(const fs::path& path)
{
    cv::VideoCapture video(path.string(), cv::CAP_FFMPEG);
    const int code = static_cast<int>(video.get(cv::CAP_PROP_FOURCC));
    return {char(code & 0xff), char((code >> 8) & 0xff), char((code >> 16) & 0xff), char((code >> 24) & 0xff)};
}

void writeText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

}  // namespace

TEST_F(CliCommand, AFailedRunLeavesEarlierFilesAsTheyWere)
{
    makeClip(3);
    const std::string common = "clip.avi --demo-targets -q --seed 1 --samples 100 --mot p.mot --video k.avi ";
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
    Result r = track("clip.avi --demo-targets -q --seed 1 --samples 100 --iterations 500 --video full/k.avi");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tavo-track: --video: cannot write 'full/k.avi': No space left on device\n");
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
    r = track("clip.avi --demo-targets -q --seed 1 --samples 100 --iterations 500 --frames 4 --video full/k.avi");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(videoFrames(full / "k.avi"), std::make_pair(4, 4));
}

TEST_F(CliCommand, AStandardOutputThatCannotBeWrittenFailsTheRun)
{
    makeClip(2);
    const std::string run = "clip.avi --demo-targets --seed 1 --samples 100 --gt clip.gt.txt --mot m.txt --plot p.png";
    // The pictures are results like the others: they stay as they were.
    writeText(path("p.png"), "earlier picture");
    writeText(path("p-errors.png"), "earlier errors");
    Result r = track(run + " >/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tavo-track: cannot write the standard output: No space left on device\n");
    EXPECT_FALSE(fs::exists(path("m.txt"))) << "the results of a failed run are not kept";

    r = track(run + " >&-");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tavo-track: cannot write the standard output: Bad file descriptor\n");
    EXPECT_FALSE(fs::exists(path("m.txt")));
    EXPECT_TRUE(readFile(path("p.png")) == "earlier picture") << "p.png replaced";
    EXPECT_TRUE(readFile(path("p-errors.png")) == "earlier errors") << "p-errors.png replaced";
    EXPECT_EQ(temporaryFiles(dir_), std::vector<std::string>());
    EXPECT_EQ(track("--help >&-").status, 1);

    // Nothing to print: a closed standard output does no harm, and no file
    // takes its place.
    r = track("clip.avi --demo-targets -q --seed 1 --samples 100 --mot m.txt >&-");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(readFile(path("m.txt"))).size(), 2u * 9);
}

TEST_F(CliCommand, NamesAreComparedAndWrittenThroughLinks)
{
    makeClip(2);
    // b.txt leads to a.txt, which does not exist yet.
    fs::create_symlink("a.txt", path("b.txt"));
    Result r = track("clip.avi --demo-targets --seed 1 --samples 100 --mot a.txt --estimates b.txt");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("name the same file"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(path("a.txt")));

    // Results written through a link go to the file it leads to; the link
    // stays a link.
    fs::create_directories(path("real"));
    writeText(path("real/old.txt"), "earlier\n");
    fs::create_symlink("real/old.txt", path("to-old.txt"));
    fs::create_symlink("real/new.txt", path("to-new.txt"));
    r = track("clip.avi --demo-targets -q --seed 1 --samples 100 --mot to-old.txt --estimates to-new.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(path("to-old.txt")));
    EXPECT_TRUE(fs::is_symlink(path("to-new.txt")));
    EXPECT_EQ(lines(readFile(path("real/old.txt"))).size(), 2u * 9);
    EXPECT_EQ(lines(readFile(path("real/new.txt"))).size(), 1u + 2 * 9);
    EXPECT_EQ(temporaryFiles(path("real")), std::vector<std::string>());
}

namespace {

// Starts tavo-track with these arguments in `dir`, its stderr into
// dir/stderr.txt, with the resource limits `limits` (RLIMIT_..., bytes or
// seconds) and no core dump; the child's pid (below 0 when it cannot be
// started).
pid_t startTrackIn(const fs::path& dir, std::vector<const char*> args,
                   const std::vector<std::pair<int, rlim_t>>& limits = {})
{
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        for (const auto& [resource, value] : limits) {
            rlimit limit{};
            ::getrlimit(resource, &limit);
            limit.rlim_cur = value;
            ::setrlimit(resource, &limit);
        }
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

// Waits (up to two minutes: a sanitized build on a busy machine is slow)
// until `done()`, or until `child` has ended (it is not reaped).
template <class Done>
void waitUntil(pid_t child, Done done)
{
    const auto running = [child] {
        siginfo_t info{};
        return ::waitid(P_PID, child, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!done() && running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// Waits until `dir` holds `count` temporary files, or `child` has ended.
void waitForTemporaries(const fs::path& dir, size_t count, pid_t child)
{
    waitUntil(child, [&] { return temporaryFiles(dir).size() >= count; });
}

// The bytes in the temporary files in `dir` whose names end with
// `extension` (those of the result files with that extension).
uintmax_t temporaryBytes(const fs::path& dir, const std::string& extension)
{
    uintmax_t bytes = 0;
    for (const std::string& name : temporaryFiles(dir)) {
        std::error_code error;
        const uintmax_t size = fs::file_size(dir / name, error);
        if (!error && name.size() > extension.size() &&
            name.compare(name.size() - extension.size(), extension.size(), extension) == 0)
            bytes += size;
    }
    return bytes;
}

// The processor time process `pid` has used so far (user and system), in
// seconds; 0 when /proc does not tell.
double cpuSeconds(pid_t pid)
{
    // /proc/PID/stat: "PID (NAME) STATE ...", utime and stime the 14th and
    // 15th fields, the 12th and 13th after the name (which may hold spaces).
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos)
        return 0;
    std::istringstream fields(stat.substr(nameEnd + 1));
    std::string field;
    for (int i = 0; i < 11; ++i)
        fields >> field;
    unsigned long long user = 0, system = 0;
    if (!(fields >> user >> system))
        return 0;
    return double(user + system) / double(::sysconf(_SC_CLK_TCK));
}

}  // namespace

TEST_F(CliCommand, AnInterruptedRunClosesItsFiles)
{
    // Long enough that the signal comes mid-run.
    makeClip(400);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        fs::remove(path("k.avi"));
        fs::remove(path("m.txt"));
        const pid_t child =
            startTrackIn(dir_, {"clip.avi", "--demo-targets", "-q", "--seed", "1", "--mot", "m.txt", "--video", "k.avi"});
        ASSERT_GE(child, 0);
        // Once a first frame is in the MOT file (flushed with each frame).
        waitUntil(child, [&] { return temporaryBytes(dir_, ".txt") > 0; });
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
    // The most joint-move iterations there may be, for four targets: the
    // first frame alone takes several seconds.
    makeClip(5);
    // Processor time the run spends on its first frame before the signal,
    // seconds: a fraction of what the frame takes.
    constexpr double kWellIntoTheFrame = 0.5;
    // The stop, the files' clean-up and the exit, with room for a sanitized
    // build on a busy machine.
    constexpr auto kPromptStop = std::chrono::seconds(20);
    const pid_t child = startTrackIn(dir_, {"clip.avi", "-q", "--seed", "1", "--box", "136,261,18,18", "--box",
                                            "216,231,18,18", "--box", "259,157,18,18", "--box", "244,74,18,18",
                                            "--iterations", "100000000", "--mot", "m.txt"});
    ASSERT_GE(child, 0);
    // The MOT file's temporary is opened, after the signal handlers are in
    // place, right before the first frame is tracked: once it is there and
    // the run has worked on for a while, the run is well into that frame.
    waitForTemporaries(dir_, 1, child);
    const double tracking = cpuSeconds(child);
    waitUntil(child, [&] { return cpuSeconds(child) >= tracking + kWellIntoTheFrame; });
    ::kill(child, SIGINT);
    const auto signalled = std::chrono::steady_clock::now();
    int raw = 0;
    ASSERT_EQ(::waitpid(child, &raw, 0), child);
    // The first frame takes far longer; that it was not finished shows in
    // the message and the missing MOT file below.
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, kPromptStop) << "a prompt stop";
    ASSERT_TRUE(WIFEXITED(raw)) << "ended by signal " << WTERMSIG(raw);
    EXPECT_EQ(WEXITSTATUS(raw), 130);
    EXPECT_EQ(readFile(path("stderr.txt")), "tavo-track: interrupted after 0 frames\n");
    EXPECT_FALSE(fs::exists(path("m.txt"))) << "the unfinished frame is not written";
    EXPECT_EQ(temporaryFiles(dir_), std::vector<std::string>());
}

TEST_F(CliCommand, ARunEndedByASignalLeavesNoTemporaryFiles)
{
    // A first frame of several seconds: every signal comes mid-run.
    makeClip(5);
    const std::vector<const char*> longRun{"clip.avi",      "-q",          "--seed",  "1",           "--box",
                                           "136,261,18,18", "--box",       "216,231,18,18", "--box", "259,157,18,18",
                                           "--box",         "244,74,18,18", "--iterations", "100000000", "--mot",
                                           "m.txt",         "--video",     "k.avi"};
    struct Ending {
        std::vector<int> signals;  // sent one right after the other
        std::vector<std::pair<int, rlim_t>> limits;
        std::vector<int> endedBy;  // the signals it may end by
    };
    const Ending endings[] = {
        {{SIGQUIT}, {}, {SIGQUIT}},
        {{SIGINT, SIGTERM}, {}, {SIGINT, SIGTERM}},  // the second of two stops
        {{}, {{RLIMIT_CPU, 2}}, {SIGXCPU}},          // the CPU time limit
    };
    for (const Ending& ending : endings) {
        SCOPED_TRACE(ending.endedBy.front());
        const pid_t child = startTrackIn(dir_, longRun, ending.limits);
        ASSERT_GE(child, 0);
        waitForTemporaries(dir_, 2, child);
        for (const int signal : ending.signals)
            ::kill(child, signal);
        int raw = 0;
        ASSERT_EQ(::waitpid(child, &raw, 0), child);
        ASSERT_TRUE(WIFSIGNALED(raw)) << "exit status " << WEXITSTATUS(raw);
        EXPECT_NE(std::count(ending.endedBy.begin(), ending.endedBy.end(), WTERMSIG(raw)), 0) << WTERMSIG(raw);
        EXPECT_EQ(temporaryFiles(dir_), std::vector<std::string>());
        EXPECT_FALSE(fs::exists(path("m.txt")));
    }

    // SIGKILL leaves them; the next run writing into the folder removes
    // them, but not a living run's (one that holds its temporary locked),
    // another name, or another folder's.
    const pid_t killed = startTrackIn(dir_, longRun);
    ASSERT_GE(killed, 0);
    waitForTemporaries(dir_, 2, killed);
    ::kill(killed, SIGKILL);
    ::waitpid(killed, nullptr, 0);
    ASSERT_EQ(temporaryFiles(dir_).size(), 2u);
    const std::string living = ".tavo-host-" + std::to_string(::getpid()) + "-0000000000000001.txt";
    const std::string ended = ".tavo-host-" + std::to_string(endedProcess()) + "-0000000000000007.csv";
    for (const std::string& name : {living, ended, std::string(".tavo-notes"), ended + "~"})
        writeText(path(name), "kept?");
    const int livingLock = ::open(path(living).c_str(), O_WRONLY | O_CLOEXEC);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    ASSERT_EQ(::fcntl(livingLock, F_OFD_SETLK, &lock), 0) << std::strerror(errno);
    fs::create_directories(path("elsewhere"));
    writeText(path("elsewhere") / ended, "elsewhere");
    const Result r = track("clip.avi --demo-targets -q --seed 1 --samples 100 --frames 1 --mot m.txt");
    ::close(livingLock);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> left = temporaryFiles(dir_);
    std::sort(left.begin(), left.end());
    std::vector<std::string> expected{living, ".tavo-notes", ended + "~"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
    EXPECT_TRUE(fs::exists(path("elsewhere") / ended));
}

TEST_F(CliCommand, PicturesAreWrittenAndKeptWithTheOtherResults)
{
    makeClip(2);
    writeText(path("m.txt"), "earlier tracks\n");
    writeText(path("p.png"), "earlier picture");
    // Room for the tracks, not for the picture: the run fails with the
    // system's reason and keeps nothing.
    const pid_t child = startTrackIn(dir_, {"clip.avi", "--demo-targets", "-q", "--seed", "1", "--samples", "100", "--mot", "m.txt",
                                            "--plot", "p.png"},
                                     {{RLIMIT_FSIZE, 2000}});
    ASSERT_GE(child, 0);
    int raw = 0;
    ASSERT_EQ(::waitpid(child, &raw, 0), child);
    ASSERT_TRUE(WIFEXITED(raw)) << "ended by signal " << WTERMSIG(raw);
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_EQ(readFile(path("stderr.txt")), "tavo-track: --plot: cannot write 'p.png': File too large\n");
    EXPECT_TRUE(readFile(path("p.png")) == "earlier picture") << "p.png replaced";
    EXPECT_EQ(readFile(path("m.txt")), "earlier tracks\n");
    EXPECT_EQ(temporaryFiles(dir_), std::vector<std::string>());

    // Names as long as a file name may be (255 bytes, "-errors" included)
    // are written like any other.
    const std::string mot = std::string(251, 'm') + ".txt", video = std::string(251, 'v') + ".avi",
                      plot = std::string(244, 'p') + ".png", errors = std::string(244, 'p') + "-errors.png";
    const Result r = track("clip.avi --demo-targets -q --seed 1 --samples 100 --gt clip.gt.txt --mot " + mot + " --video " + video +
                           " --plot " + plot);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(readFile(path(mot))).size(), 2u * 9);
    EXPECT_EQ(videoFrames(path(video)), std::make_pair(2, 2));
    EXPECT_EQ(cv::imread(path(plot).string()).size(), cv::Size(synthetic::kWidth, synthetic::kHeight));
    EXPECT_FALSE(cv::imread(path(errors).string()).empty());
    EXPECT_EQ(temporaryFiles(dir_), std::vector<std::string>());
}

TEST_F(CliCommand, OutputsThatCannotBeReplacedAreRefusedBeforeTracking)
{
    makeClip(2);
    const std::string run = "clip.avi --demo-targets --seed 1 --samples 100 --gt clip.gt.txt --mot m.txt ";
    // A picture name that is a folder, the error picture's too.
    fs::create_directories(path("d.png"));
    fs::create_directories(path("e-errors.png"));
    struct Refusal {
        std::string options;
        int status;
        std::string message;
    };
    const Refusal refusals[] = {
        {"--plot d.png", 1, "--plot: cannot create 'd.png': Is a directory"},
        {"--plot e.png", 1, "--plot: cannot create 'e-errors.png': Is a directory"},
        // A write-protected file is not replaced, whatever the option.
        {"--plot w.png", 2, "--plot: cannot replace 'w.png': the file is write-protected (mode 444)"},
        {"--plot x.png", 2, "--plot: cannot replace 'x-errors.png': the file is write-protected (mode 444)"},
        {"--estimates w.csv", 2, "--estimates: cannot replace 'w.csv': the file is write-protected (mode 444)"},
    };
    for (const char* name : {"w.png", "x-errors.png", "w.csv"}) {
        writeText(path(name), "protected");
        ::chmod(path(name).c_str(), 0444);
    }
    for (const Refusal& refusal : refusals) {
        const Result r = track(run + refusal.options);
        EXPECT_EQ(r.status, refusal.status) << refusal.options;
        EXPECT_EQ(r.err, "tavo-track: " + refusal.message + "\n");
        EXPECT_EQ(r.out, "") << "no summary, no report";
        EXPECT_FALSE(fs::exists(path("m.txt")));
        EXPECT_FALSE(fs::exists(path("e.png")));
        EXPECT_EQ(temporaryFiles(dir_), std::vector<std::string>());
    }
    for (const char* name : {"w.png", "x-errors.png", "w.csv"})
        EXPECT_TRUE(readFile(path(name)) == "protected") << name << " replaced";
}

TEST_F(CliCommand, Mp4AndMovVideosAreH264AndAviVideosMjpg)
{
    makeClip(3);
    const std::pair<const char*, const char*> codecs[] = {{"k.mp4", "avc1"}, {"k.MOV", "avc1"}, {"k.avi", "MJPG"}};
    for (const auto& [name, fourcc] : codecs) {
        const Result r = track(std::string("clip.avi --demo-targets -q --seed 1 --samples 100 --video ") + name);
        ASSERT_EQ(r.status, 0) << name << ": " << r.err;
        EXPECT_EQ(r.err, "") << "the encoder's remarks are not shown";
        EXPECT_EQ(videoFourcc(path(name)), fourcc) << name;
        EXPECT_EQ(videoFrames(path(name)), std::make_pair(3, 3)) << name;
    }
    // Frames 2 pixels wide, which FFmpeg's scaler writes past its buffers
    // with H.264, are refused before tracking.
    for (const char* frame : {"thin_000.sr", "thin_001.sr"})
        writeSunRaster(path(frame), cv::Mat(8, 2, CV_8UC3, cv::Scalar(0, 0, 255)));
    const Result thin = track("thin_%03d.sr -q --box 0,0,2,4 --mot m.txt --video k.mp4");
    EXPECT_EQ(thin.status, 1);
    EXPECT_EQ(thin.err, "tavo-track: --video: cannot create the video 'k.mp4': the encoder takes frames of at least "
                        "4x4 pixels, not 2x8\n");
    EXPECT_FALSE(fs::exists(path("m.txt")));
    EXPECT_EQ(temporaryFiles(dir_), std::vector<std::string>());
}

TEST(VideoRefusal, AnMp4WithoutAnH264EncoderIsRefusedSuggestingAnAvi)
{
    using namespace tavo_cli;
    ASSERT_EQ(videoCodecFor("out/clip.mp4"), VideoCodec::H264);
    EXPECT_EQ(videoRefusalMessage("out/clip.mp4", VideoCodec::H264, {320, 240}),
              "--video: cannot create the video 'out/clip.mp4': OpenCV's FFmpeg here has no H.264 encoder (fourcc "
              "avc1, H264, X264 tried), which a '.mp4' video needs to play in browsers; write an MJPG AVI instead, "
              "e.g. --video out/clip.avi");
}
