#include "evaluation/text_input.h"

#include "inputs/file_kind.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavo_eval {

namespace {

constexpr size_t kChunk = 1 << 16;

// The line, from 1, of the byte at `offset`: lines end with LF, CR or CR LF.
size_t lineOf(const std::string& text, size_t offset)
{
    size_t line = 1;
    for (size_t i = 0; i < offset; ++i)
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')))
            ++line;
    return line;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// The rest of the file into `text`; false with `error` set.  A device
// (opened without waiting) that has nothing to give at once is refused.
bool readAll(int fd, const struct stat& status, const std::string& prefix, const std::string& what,
             std::string& text, std::string& error)
{
    char chunk[kChunk];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const std::string kind = specialFileKind(status.st_mode).value_or("a file");
            error = prefix + kind + " with nothing to read, not a " + what + ": a read would wait for it";
            return false;
        }
        if (got < 0) {
            error = prefix + "cannot read the " + what + ": " + std::strerror(errno);
            return false;
        }
        if (got == 0)
            return true;
        const size_t start = text.size();
        if (static_cast<long long>(start) + got > kLargestTextInput) {
            error = prefix + tooLargeReason(what);
            return false;
        }
        text.append(chunk, static_cast<size_t>(got));
        if (const auto nul = text.find('\0', start); nul != std::string::npos) {
            error = prefix + nulByteReason(lineOf(text, nul));
            return false;
        }
    }
}

}  // namespace

std::string waitingReason(const std::string& kind, const std::string& what)
{
    return kind + ", not a " + what + ": a read could wait for ever for a writer; give a regular file";
}

std::string nulByteReason(size_t line) { return "not a text file (a NUL byte on line " + std::to_string(line) + ")"; }

std::string tooLargeReason(const std::string& what)
{
    return "too large for a " + what + " (more than " + std::to_string(kLargestTextInput >> 20) + " MiB)";
}

std::optional<std::string> readTextInput(const std::string& option, const std::string& what,
                                         const std::string& name, std::string& error)
{
    const std::string prefix = option + " '" + name + "': ";
    // Without waiting: opening a FIFO would wait for a writer, reading a
    // device for its data.
    const FileDescriptor file(::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat status {};
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0) {
        const int why = errno;
        if (::stat(name.c_str(), &status) == 0 && S_ISSOCK(status.st_mode))
            error = prefix + waitingReason(*specialFileKind(status.st_mode), what);
        else
            error = prefix + "cannot read the " + what + ": " + std::strerror(why);
        return std::nullopt;
    }
    if (S_ISDIR(status.st_mode)) {
        error = prefix + "a directory, not a " + what;
        return std::nullopt;
    }
    if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) {
        error = prefix + waitingReason(*specialFileKind(status.st_mode), what);
        return std::nullopt;
    }
    std::string text;
    if (!readAll(file.get(), status, prefix, what, text, error))
        return std::nullopt;
    return text;
}

}  // namespace tavo_eval
