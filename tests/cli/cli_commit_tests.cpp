// How tavo-track keeps or leaves its result files at the end of a run:
// temporaries that no other run takes for a dead run's, in a container
// either; result files replaced all together or not at all; a failed run,
// an unreadable image among them, that keeps nothing; the system's reason
// for a video that cannot be written; names written as the shell's `>`
// writes them; every catchable signal that ends the run removing its
// temporaries; and frame sizes the video encoder cannot take refused.

#include "command_run.h"

#include "programs/track/stale_temporaries.h"
#include "programs/track/temporary_lock.h"
#include "programs/track/temporary_names.h"
#include "programs/track/video_codec.h"

#include <opencv2/imgcodecs.hpp>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace command_run;

namespace {

void writeText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Runs tavo-track with `args` in `dir`, its stderr into dir/stderr.txt and
// no core dump; with `ownPidNamespace` as the first process of a PID
// namespace of its own, where no process of this one is seen (as in a
// container).  The child's pid; 0 when namespaces cannot be made here.
pid_t launch(const fs::path& dir, std::vector<const char*> args, bool ownPidNamespace = false)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        ::chdir(dir.c_str());
        const int err = ::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(err, 2);
        args.insert(args.begin(), TAVO_TRACK);
        args.push_back(nullptr);
        if (ownPidNamespace) {
            const char verdict = ::unshare(CLONE_NEWPID) == 0 ? 'y' : 'n';
            (void)!::write(ready[1], &verdict, 1);
            if (verdict == 'n')
                ::_exit(0);
            const pid_t first = ::fork();  // the namespace's first process
            if (first == 0) {
                ::execv(TAVO_TRACK, const_cast<char* const*>(args.data()));
                ::_exit(127);
            }
            int raw = 0;
            ::waitpid(first, &raw, 0);
            ::_exit(WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw));
        }
        (void)!::write(ready[1], "y", 1);
        ::execv(TAVO_TRACK, const_cast<char* const*>(args.data()));
        ::_exit(127);
    }
    ::close(ready[1]);
    char verdict = 'n';
    const bool told = ::read(ready[0], &verdict, 1) == 1;
    ::close(ready[0]);
    if (!told || verdict != 'y') {
        ::waitpid(child, nullptr, 0);
        return 0;
    }
    return child;
}

// Waits (up to two minutes) until `dir` holds `count` temporaries, or
// `child` has ended (it is not reaped); whether they are there.
bool awaitTemporaries(const fs::path& dir, size_t count, pid_t child)
{
    const auto running = [child] {
        siginfo_t info{};
        return ::waitid(P_PID, child, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (temporaryFiles(dir).size() < count && running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return temporaryFiles(dir).size() >= count;
}

// Waits (up to two minutes) until the run `child` has written its first
// frame into its temporary --mot file (a .txt) in `dir`, or has ended;
// whether it has.
bool awaitFirstFrame(const fs::path& dir, pid_t child)
{
    const auto written = [&dir] {
        for (const std::string& name : temporaryFiles(dir)) {
            std::error_code ec;
            if (name.size() > 4 && name.substr(name.size() - 4) == ".txt" && fs::file_size(dir / name, ec) > 0)
                return true;
        }
        return false;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    siginfo_t info{};
    while (!written() && ::waitid(P_PID, child, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return written();
}

// The raw wait status of `child`.
int reap(pid_t child)
{
    int raw = 0;
    ::waitpid(child, &raw, 0);
    return raw;
}

// Opens `path` and locks it as a run writing it does; the descriptor.
int lockLikeARun(const fs::path& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    EXPECT_EQ(::fcntl(fd, F_OFD_SETLK, &lock), 0) << std::strerror(errno);
    return fd;
}

// A run of many frames (of the 400-frame clip) that each take about a
// second: it is still going when another run or a signal comes, which
// stops it within a fraction of a second.
const std::vector<const char*> kLongRun{"clip.avi",      "-q",    "--seed",        "1",     "--box",
                                        "136,261,18,18", "--box", "216,231,18,18", "--box", "259,157,18,18",
                                        "--box",         "244,74,18,18", "--iterations", "20000000"};
constexpr size_t kLongRunTargets = 4;

std::vector<const char*> with(std::vector<const char*> args, std::initializer_list<const char*> more)
{
    args.insert(args.end(), more);
    return args;
}

}  // namespace

TEST(TemporaryNames, NameTheHostAndARandomPartAndAreTheOnlyOnesCleanedUp)
{
    const std::string name = tavo_cli::temporaryName("tracks.mot.txt", "node-7", 4321, 0x0123456789abcdefULL);
    EXPECT_EQ(name, ".tavo-node-7-4321-0123456789abcdef.txt");
    EXPECT_TRUE(tavo_cli::isTemporaryName(name));
    EXPECT_NE(tavo_cli::newTemporaryName("a.avi"), tavo_cli::newTemporaryName("a.avi"));
    EXPECT_EQ(tavo_cli::newTemporaryName("a.avi").rfind(".tavo-" + tavo_cli::hostLabel() + "-", 0), 0u);
    for (const char* other : {".tavo-4321-0.txt", ".tavo-notes", ".tavo-node-4321-0123456789abcdef.txt~",
                              ".tavo-node-0-0123456789abcdef.txt", "tavo-node-1-0123456789abcdef"})
        EXPECT_FALSE(tavo_cli::isTemporaryName(other)) << other;
}

TEST_F(CliCommand, OnlyTemporariesThatNoRunHoldsAreCleanedUp)
{
    // Runs elsewhere (another host, a container) give process ids that do
    // not exist here: only their locks tell whether they still run.
    const std::string dead = std::to_string(endedProcess());
    const std::string held = ".tavo-otherhost-" + dead + "-00000000000000aa.txt";
    const std::string stale = ".tavo-otherhost-" + dead + "-00000000000000bb.csv";
    const std::string earlierForm = ".tavo-" + dead + "-3.txt";
    for (const std::string& name : {held, stale, earlierForm, std::string(".tavo-notes")})
        writeText(path(name), "kept?");
    const int lock = lockLikeARun(path(held));
    EXPECT_TRUE(tavo_cli::removeStaleTemporaries({dir_.string()}).empty());
    EXPECT_EQ(temporaryFiles(dir_), (std::vector<std::string>{earlierForm, ".tavo-notes", held}));
    ::close(lock);
    // As the earlier result files are held while kept aside at the end of
    // a run.
    const int aside = tavo_cli::holdLock(path(held));
    ASSERT_GE(aside, 0);
    tavo_cli::removeStaleTemporaries({dir_.string()});
    EXPECT_TRUE(fs::exists(path(held)));
    ::close(aside);
    tavo_cli::removeStaleTemporaries({dir_.string()});
    EXPECT_EQ(temporaryFiles(dir_), (std::vector<std::string>{earlierForm, ".tavo-notes"}));
}

TEST_F(CliCommand, ARunInAnotherPidNamespaceLeavesALiveRunsTemporaries)
{
    makeClip(400);
    const pid_t live = launch(dir_, with(kLongRun, {"--mot", "m.txt", "--estimates", "e.csv"}));
    ASSERT_GT(live, 0);
    ASSERT_TRUE(awaitFirstFrame(dir_, live));
    fs::create_directories(path("other"));
    fs::copy_file(path("clip.avi"), path("other/clip.avi"));
    // Another run writing into the same folder, from a PID namespace of its
    // own, as in a container.
    const pid_t other = launch(path("other"),
                               {"clip.avi", "--demo-targets", "-q", "--seed", "1", "--frames", "1", "--mot", "../o.txt"},
                               true);
    if (other == 0) {
        ::kill(live, SIGKILL);
        reap(live);
        GTEST_SKIP() << "no PID namespace can be made here";
    }
    const int otherRaw = reap(other);
    EXPECT_TRUE(WIFEXITED(otherRaw) && WEXITSTATUS(otherRaw) == 0) << readFile(path("other/stderr.txt"));
    EXPECT_EQ(lines(readFile(path("o.txt"))).size(), 9u);

    ::kill(live, SIGINT);
    const int raw = reap(live);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 130) << readFile(path("stderr.txt"));
    const size_t frames = lines(readFile(path("m.txt"))).size() / kLongRunTargets;
    EXPECT_GT(frames, 0u) << readFile(path("stderr.txt"));
    EXPECT_EQ(lines(readFile(path("e.csv"))).size(), 1 + kLongRunTargets * frames);
    EXPECT_EQ(temporaryFiles(dir_), std::vector<std::string>());
}

TEST_F(CliCommand, ResultFilesAreReplacedAllTogetherOrNotAtAll)
{
    makeClip(400);
    writeText(path("m.txt"), "earlier tracks\n");
    writeText(path("e.csv"), "earlier estimates\n");
    const pid_t run = launch(dir_, with(kLongRun, {"--video", "v.avi", "--mot", "m.txt", "--estimates", "e.csv"}));
    ASSERT_GT(run, 0);
    ASSERT_TRUE(awaitFirstFrame(dir_, run));
    // The last of the three to be replaced cannot be: a folder has taken
    // its name meanwhile.
    fs::remove(path("e.csv"));
    fs::create_directories(path("e.csv/inside"));
    ::kill(run, SIGINT);
    const int raw = reap(run);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    const std::string err = readFile(path("stderr.txt"));
    EXPECT_NE(err.find("--estimates: cannot replace 'e.csv': Is a directory"), std::string::npos) << err;
    EXPECT_EQ(readFile(path("m.txt")), "earlier tracks\n") << "put back";
    EXPECT_FALSE(fs::exists(path("v.avi"))) << "a new file is removed again";
    EXPECT_TRUE(fs::is_directory(path("e.csv/inside")));
    EXPECT_EQ(temporaryFiles(dir_), std::vector<std::string>()) << "nothing left aside";

    // Replaced together, the earlier files' other names keep their content.
    fs::remove_all(path("e.csv"));
    fs::create_hard_link(path("m.txt"), path("m-link.txt"));
    const Result r = track("clip.avi --demo-targets -q --seed 1 --samples 100 --frames 2 --mot m.txt --estimates e.csv");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "tavo-track: warning: --mot: 'm.txt' has other names (hard links), which keep its earlier "
                     "content: the results replace this name only\n");
    EXPECT_EQ(lines(readFile(path("m.txt"))).size(), 2u * 9);
    EXPECT_EQ(readFile(path("m-link.txt")), "earlier tracks\n");
    EXPECT_EQ(temporaryFiles(dir_), std::vector<std::string>());
}

TEST_F(CliCommand, AnUnreadableImageFailsTheRunKeepingEarlierResults)
{
    fs::create_directories(path("frames"));
    for (int f = 1; f <= 4; ++f)
        ASSERT_TRUE(cv::imwrite(path("frames/img" + std::to_string(f) + ".png").string(), synthetic::frameAt(f)));
    writeText(path("frames/img3.png"), "not a picture");
    writeText(path("m.txt"), "earlier tracks\n");
    const Result r = track("frames --demo-targets -q --seed 1 --samples 100 --mot m.txt --video v.avi");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot use frame 3"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(path("m.txt")), "earlier tracks\n");
    EXPECT_FALSE(fs::exists(path("v.avi")));
    EXPECT_EQ(temporaryFiles(dir_), std::vector<std::string>());
}

TEST_F(CliCommand, AVideoThatCannotBeWrittenGivesTheSystemsReason)
{
    // The file-size limit (ulimit -f, in blocks of 1024 bytes) is reached
    // long before 60 frames are written.
    makeClip(60);
    const Result r =
        shell("ulimit -f 40; '" TAVO_TRACK "' clip.avi --demo-targets -q --seed 1 --samples 100 --video k.avi");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.substr(r.err.find("tavo-track: --video: cannot write")),
              "tavo-track: --video: cannot write 'k.avi': File too large\n");
    EXPECT_FALSE(fs::exists(path("k.avi")));

    // Its folder removed while it runs.
    makeClip(400);
    fs::create_directories(path("out"));
    const pid_t run = launch(dir_, with(kLongRun, {"--video", "out/k.avi", "--mot", "m.txt"}));
    ASSERT_GT(run, 0);
    ASSERT_TRUE(awaitFirstFrame(dir_, run));
    fs::remove_all(path("out"));
    ::kill(run, SIGINT);
    const int raw = reap(run);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    const std::string err = readFile(path("stderr.txt"));
    EXPECT_NE(err.find("tavo-track: --video: cannot write 'out/k.avi': No such file or directory\n"),
              std::string::npos)
        << err;
}

TEST_F(CliCommand, ALoopOfLinksIsRefusedAsTheShellRefusesIt)
{
    makeClip(2);
    fs::create_symlink("loop", path("loop"));
    const Result r = track("clip.avi --demo-targets -q --seed 1 --samples 100 --mot loop");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tavo-track: --mot: cannot create 'loop': Too many levels of symbolic links\n");
    EXPECT_TRUE(fs::is_symlink(path("loop")));
    EXPECT_EQ(temporaryFiles(dir_), std::vector<std::string>());
}

TEST_F(CliCommand, EverySignalThatEndsTheRunRemovesItsTemporaries)
{
    makeClip(400);
    writeText(path("m.txt"), "earlier tracks\n");
    for (const int signal : {SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGRTMIN + 1}) {
        SCOPED_TRACE(signal);
        const pid_t run = launch(dir_, with(kLongRun, {"--mot", "m.txt", "--video", "v.avi"}));
        ASSERT_GT(run, 0);
        ASSERT_TRUE(awaitTemporaries(dir_, 2, run));
        ::kill(run, signal);
        const int raw = reap(run);
        ASSERT_TRUE(WIFSIGNALED(raw)) << "exit status " << WEXITSTATUS(raw);
        EXPECT_EQ(WTERMSIG(raw), signal);
        EXPECT_EQ(temporaryFiles(dir_), std::vector<std::string>());
        EXPECT_EQ(readFile(path("m.txt")), "earlier tracks\n");
        EXPECT_FALSE(fs::exists(path("v.avi")));
    }
}

TEST_F(CliCommand, ARunInterruptedBeforeItsFirstFrameKeepsEarlierResults)
{
    // The first frame takes several seconds: the interrupt comes within it.
    makeClip(5);
    writeText(path("m.txt"), "earlier tracks\n");
    const pid_t run = launch(dir_, {"clip.avi", "-q", "--seed", "1", "--box", "136,261,18,18", "--box",
                                    "216,231,18,18", "--iterations", "100000000", "--mot", "m.txt"});
    ASSERT_GT(run, 0);
    ASSERT_TRUE(awaitTemporaries(dir_, 1, run));
    ::kill(run, SIGTERM);
    const int raw = reap(run);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 143);
    EXPECT_EQ(readFile(path("stderr.txt")), "tavo-track: interrupted after 0 frames\n");
    EXPECT_EQ(readFile(path("m.txt")), "earlier tracks\n");
    EXPECT_EQ(temporaryFiles(dir_), std::vector<std::string>());
}

TEST(VideoFrameSizes, SizesTheEncoderCannotTakeAreRefused)
{
    using tavo_cli::VideoCodec;
    // FFmpeg's scaler aborts on these with MJPG.
    for (const cv::Size crashing : {cv::Size(2, 8), cv::Size(3, 9), cv::Size(4, 4), cv::Size(5, 13), cv::Size(7, 8)}) {
        const auto refusal = tavo_cli::frameSizeRefusal(VideoCodec::Mjpg, crashing);
        ASSERT_TRUE(refusal.has_value()) << crashing;
        EXPECT_NE(refusal->find(std::to_string(crashing.width) + "x" + std::to_string(crashing.height)),
                  std::string::npos)
            << *refusal;
    }
    EXPECT_FALSE(tavo_cli::frameSizeRefusal(VideoCodec::Mjpg, {8, 8}));
    EXPECT_FALSE(tavo_cli::frameSizeRefusal(VideoCodec::Mjpg, {320, 240}));
}

TEST_F(CliCommand, AVideoOfFramesTooNarrowForTheEncoderIsRefused)
{
    // Two frames of 2 x 8 pixels, which made FFmpeg's scaler abort.
    for (int f = 0; f < 2; ++f)
        writeSunRaster(path("tiny_" + std::to_string(f) + ".sr"), cv::Mat(8, 2, CV_8UC3, cv::Scalar(40, 80, 160 + f)));
    const Result r = track("tiny_%d.sr --box 0,0,2,2 -q --seed 1 --samples 100 --video x.avi");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("--video: cannot create the video 'x.avi'"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("not 2x8"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(path("x.avi")));
}
