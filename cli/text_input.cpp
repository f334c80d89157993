#include "cli/text_input.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavo_cli {

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

}  // namespace

std::optional<std::string> readTextInput(const std::string& option, const std::string& what,
                                         const std::string& name, std::string& error)
{
    const std::string prefix = option + " '" + name + "': ";
    const FileDescriptor file(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0) {
        error = prefix + "cannot read the " + what + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (S_ISDIR(status.st_mode)) {
        error = prefix + "a directory, not a " + what;
        return std::nullopt;
    }
    std::string text;
    char chunk[kChunk];
    for (;;) {
        const ssize_t got = ::read(file.get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = prefix + "cannot read the " + what + ": " + std::strerror(errno);
            return std::nullopt;
        }
        if (got == 0)
            return text;
        const size_t start = text.size();
        if (static_cast<long long>(start) + got > kLargestTextInput) {
            error = prefix + "too large for a " + what + " (more than " + std::to_string(kLargestTextInput >> 20) +
                    " MiB)";
            return std::nullopt;
        }
        text.append(chunk, static_cast<size_t>(got));
        if (const auto nul = text.find('\0', start); nul != std::string::npos) {
            error = prefix + "not a text file (a NUL byte on line " + std::to_string(lineOf(text, nul)) + ")";
            return std::nullopt;
        }
    }
}

}  // namespace tavo_cli
