// Inputs that could make a run wait for ever or lie about what they hold:
// FIFOs and sockets as inputs, a sequence's frame rate that is none, target
// ids a targets file cannot give.

#include "programs/track/interrupts.h"
#include "command_run.h"

#include <opencv2/imgcodecs.hpp>

#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace command_run;

// A run refused at once ends far sooner; a run that waits for a writer is
// killed at this limit, so that the test fails instead of hanging.
const std::string kGuard = "timeout -s KILL 120 ";

// A Unix socket bound to `file`, closed when the test ends.
class BoundSocket {
public:
    explicit BoundSocket(const fs::path& file) : fd_(::socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string name = file.string();
        bound_ = fd_ >= 0 && name.size() < sizeof address.sun_path;
        if (bound_) {
            name.copy(address.sun_path, name.size());
            bound_ = ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        }
    }
    ~BoundSocket()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    BoundSocket(const BoundSocket&) = delete;
    BoundSocket& operator=(const BoundSocket&) = delete;
    bool bound() const { return bound_; }

private:
    int fd_;
    bool bound_ = false;
};

TEST_F(CliCommand, InputsThatCouldWaitForAWriterAreRefusedAtOnce)
{
    makeClip(2);
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    // A numbered image sequence with a FIFO among its images.
    ASSERT_TRUE(cv::imwrite(path("img001.png").string(), cv::Mat(48, 64, CV_8UC3, cv::Scalar(40, 90, 160))));
    ASSERT_EQ(::mkfifo(path("img002.png").c_str(), 0600), 0);
    // A short name: a socket's path has a small limit.
    const fs::path socketFile = fs::temp_directory_path() / ("tavo-sock-" + std::to_string(::getpid()));
    fs::remove(socketFile);
    const BoundSocket socket(socketFile);
    ASSERT_TRUE(socket.bound());
    const std::string sock = socketFile.string();
    const std::string waits = ": a read could wait for ever for a writer; give a regular file";
    const struct {
        std::string args;
        std::string message;
    } cases[] = {
        {"clip.avi --targets fifo", "--targets 'fifo': a FIFO (named pipe), not a targets file" + waits},
        {"clip.avi --demo-targets --gt fifo", "--gt 'fifo': a FIFO (named pipe), not a ground-truth file" + waits},
        {"clip.avi --demo-targets --gt " + sock, "--gt '" + sock + "': a socket, not a ground-truth file" + waits},
        {"fifo --box 1,1,8,8",
         "cannot open the video 'fifo': it is a FIFO (named pipe), not a video file: a read could wait for ever"},
        {"'img%03d.png' --box 1,1,8,8",
         "cannot open the video 'img%03d.png': its image 'img002.png' is a FIFO (named pipe): a read could wait for "
         "ever"},
        {sock + " --box 1,1,8,8",
         "cannot open the video '" + sock + "': it is a socket, not a video file: a read could wait for ever"},
    };
    for (const auto& c : cases) {
        const Result r = shell(kGuard + "'" TAVO_TRACK "' -q " + c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_EQ(r.err, "tavo-track: " + c.message + "\n");
    }
    fs::remove(socketFile);

    // A pipe that has its writer is refused all the same: whether a FIFO's
    // writer ever comes or ends cannot be known.
    const Result piped = shell(kGuard + "cat clip.gt.txt | '" TAVO_TRACK "' clip.avi -q --targets /dev/stdin");
    EXPECT_EQ(piped.status, 1);
    EXPECT_EQ(piped.err, "tavo-track: --targets '/dev/stdin': a FIFO (named pipe), not a targets file" + waits +
                             "\n");
    // A device is read without waiting: /dev/null is an empty file, a new
    // terminal's master side has nothing to give.
    const Result empty = shell(kGuard + "'" TAVO_TRACK "' clip.avi -q --targets /dev/null");
    EXPECT_EQ(empty.err, "tavo-track: /dev/null: no boxes in the file\n");
    if (fs::exists("/dev/ptmx")) {
        const Result terminal = shell(kGuard + "'" TAVO_TRACK "' clip.avi -q --demo-targets --gt /dev/ptmx");
        EXPECT_EQ(terminal.status, 1);
        EXPECT_EQ(terminal.err, "tavo-track: --gt '/dev/ptmx': a character device with nothing to read, not a "
                                "ground-truth file: a read would wait for it\n");
    }
}

// A MOTChallenge sequence of two frames whose seqinfo.ini has `rateLine`.
void writeSequence(const fs::path& folder, const std::string& rateLine)
{
    fs::create_directories(folder / "img1");
    for (int i = 1; i <= 2; ++i)
        ASSERT_TRUE(cv::imwrite((folder / "img1" / ("00000" + std::to_string(i) + ".png")).string(),
                                cv::Mat(48, 64, CV_8UC3, cv::Scalar(40, 90, 160))));
    std::ofstream(folder / "seqinfo.ini") << "[Sequence]\nname=SEQ\nimDir=img1\n" << rateLine << "seqLength=2\n";
}

TEST_F(CliCommand, ASequenceFrameRateThatIsNoneIsRefusedNamingTheFileKeyAndValue)
{
    const struct {
        const char* value;
        const char* reason;
    } cases[] = {
        {"0", "is not a number of frames per second above 0"},
        {"-25", "is not a number of frames per second above 0"},
        {"abc", "is not a number of frames per second above 0"},
        {"", "is not a number of frames per second above 0"},
        {"inf", "is not a number of frames per second above 0"},
        {"nan", "is not a number of frames per second above 0"},
        {"25fps", "is not a number of frames per second above 0"},
        {"1001", "is too large (at most 1000 frames per second)"},
        {"1e300", "is too large (at most 1000 frames per second)"},
    };
    for (const auto& c : cases) {
        const std::string seq = std::string("SEQ") + c.value;
        writeSequence(path(seq), std::string("frameRate=") + c.value + "\n");
        const Result r = track(seq + " -q --box 1,1,8,8 --video v.avi");
        EXPECT_EQ(r.status, 1) << c.value;
        EXPECT_EQ(r.err, "tavo-track: cannot open the video '" + seq + "': '" + seq + "/seqinfo.ini': frameRate '" +
                             c.value + "' " + c.reason + "\n");
        EXPECT_FALSE(fs::exists(path("v.avi")));
    }
    // Without a frameRate, the images are read at 25 frames/s; the fastest
    // rate allowed is written.
    writeSequence(path("NONE"), "");
    writeSequence(path("FAST"), "frameRate=1000\n");
    for (const std::string seq : {"NONE", "FAST"}) {
        const Result r = track(seq + " -q --box 1,1,8,8 --video " + seq + ".avi");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(cv::VideoCapture(path("NONE.avi").string()).get(cv::CAP_PROP_FPS), 25.0);
    EXPECT_EQ(cv::VideoCapture(path("FAST.avi").string()).get(cv::CAP_PROP_FPS), 1000.0);
}

TEST_F(CliCommand, TargetIdsBelowOneAreRefusedAsBoxIdRefusesThem)
{
    makeClip(2);
    std::ofstream(path("zero.txt")) << "1,1,10,10,8,8\n1,0,30,30,8,8\n";
    std::ofstream(path("negative.txt")) << "1,-2,10,10,8,8\n";
    Result r = track("clip.avi -q --targets zero.txt --mot m.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tavo-track: zero.txt:2: expected a positive id (or -1 for a box without one), not 0\n");
    EXPECT_FALSE(fs::exists(path("m.txt")));
    r = track("clip.avi -q --targets negative.txt");
    EXPECT_EQ(r.err, "tavo-track: negative.txt:1: expected a positive id (or -1 for a box without one), not -2\n");
    EXPECT_NE(track("clip.avi -q --box-id 0,10,10,8,8").err.find("expected a positive id"), std::string::npos);

    // -1 still marks a box without identity, numbered after the file's ids.
    std::ofstream(path("none.txt")) << "1,-1,10,10,8,8\n1,4,30,30,8,8\n";
    r = track("clip.avi -q --targets none.txt --seed 1 --mot m.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(split(lines(readFile(path("m.txt")))[0])[1], "4");
    EXPECT_EQ(split(lines(readFile(path("m.txt")))[1])[1], "5");
}

}  // namespace

// Where an input still waits in the system (a stalled mount, a device), a
// first stop signal ends the run at once instead of being noted for a frame
// loop that has not begun.  A child reads from a pipe whose writer never
// writes, as a run would wait on such an input.
TEST(Interrupts, AStopSignalWhileTheInputsAreOpenedEndsTheRunAtOnce)
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        int ready[2], silent[2];
        ASSERT_EQ(0, ::pipe(ready));
        ASSERT_EQ(0, ::pipe(silent));
        const pid_t child = ::fork();
        ASSERT_LE(0, child);
        if (child == 0) {
            tavo_cli::catchInterrupts();
            const tavo_cli::WaitingForInputs waiting;
            char c = 'r';
            if (::write(ready[1], &c, 1) != 1)
                ::_exit(2);
            (void)!::read(silent[0], &c, 1);  // restarted after a noted signal
            ::_exit(3);
        }
        char c;
        ASSERT_EQ(1, ::read(ready[0], &c, 1));
        ::kill(child, signal);
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (::waitpid(child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                ADD_FAILURE() << "signal " << signal << " did not end a run waiting for its inputs";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "signal " << signal << ", status " << status;
        for (const int fd : {ready[0], ready[1], silent[0], silent[1]})
            ::close(fd);
    }
}
