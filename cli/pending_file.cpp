#include "cli/pending_file.h"

#include "cli/file_names.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavo_cli {

namespace {

// Read and write for everyone, less the umask: what fopen gives a new file.
constexpr mode_t kNewFileMode = 0666;
// Names tried when a temporary name is taken (by another run, say).
constexpr int kTemporaryNameAttempts = 100;

int closeKeepingErrno(int fd)
{
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return -1;
}

}  // namespace

std::string fileError(const char* verb, const std::string& name, int code)
{
    return std::string("cannot ") + verb + " '" + name + "': " + std::strerror(code);
}

int PendingFile::create(const std::string& name, std::string& error)
{
    discard();
    name_ = name;
    direct_ = false;
    target_ = resolvedFileName(name).string();

    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        error = fileError("create", name, EISDIR);
        return -1;
    }
    // Names of the system's own files (/dev/stdout, /proc/self/fd/1) stand
    // for something already open, even when they lead to a regular file.
    const bool systemName = name.rfind("/dev/", 0) == 0 || name.rfind("/proc/", 0) == 0;
    if (systemName || (exists && !S_ISREG(existing.st_mode))) {
        direct_ = true;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kNewFileMode);
        if (fd < 0)
            error = fileError("create", name, errno);
        return fd;
    }

    // A hidden name beside the target, ending like the target's so that the
    // video writer still finds the container from the extension.
    const auto slash = target_.rfind('/');
    const std::string folder = target_.substr(0, slash + 1);
    const std::string base = target_.substr(slash + 1);
    static unsigned counter = 0;
    int fd = -1;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && fd < 0; ++attempt) {
        const std::string candidate =
            folder + ".tavo-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" + base;
        fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        if (fd >= 0)
            temporary_ = candidate;
        else if (errno != EEXIST)
            break;
    }
    if (fd < 0) {
        error = fileError("create", name, errno);
        return -1;
    }
    if (exists) {
        // The replacement keeps the replaced file's permissions, and its
        // owner where we may set it (otherwise the new file stays ours).
        const int ownerKept = ::fchown(fd, existing.st_uid, existing.st_gid);
        (void)ownerKept;
        if (::fchmod(fd, existing.st_mode & 07777) != 0) {
            error = fileError("create", name, errno);
            closeKeepingErrno(fd);
            discard();
            return -1;
        }
    }
    return fd;
}

bool PendingFile::commit(std::string& error)
{
    if (temporary_.empty())
        return true;
    const int fd = ::open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        error = fileError("write", name_, errno);
        if (fd >= 0)
            closeKeepingErrno(fd);
        return false;
    }
    ::close(fd);
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        error = fileError("replace", name_, errno);
        return false;
    }
    temporary_.clear();
    return true;
}

void PendingFile::discard()
{
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
}

}  // namespace tavo_cli
