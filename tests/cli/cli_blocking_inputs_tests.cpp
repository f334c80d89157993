// Inputs that could make a run wait for ever or lie about what they hold:
// FIFOs and sockets as inputs, a sequence's frame rate that is none, target
// ids a targets file cannot give.

#include "command_run.h"

#include <opencv2/imgcodecs.hpp>

#include <fstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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

}  // namespace
