#include "programs/track/pending_file.h"

#include "programs/track/file_names.h"
#include "programs/track/temporary_lock.h"
#include "programs/track/temporary_names.h"
#include "programs/track/temporary_registry.h"

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
// A file with none of these bits is write-protected, for the superuser too.
constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;

int closeKeepingErrno(int fd)
{
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return -1;
}

// Names of the system's own files (/dev/stdout, /proc/self/fd/1) stand for
// something already open, even when they lead to a regular file.
bool isSystemName(const std::string& name) { return name.rfind("/dev/", 0) == 0 || name.rfind("/proc/", 0) == 0; }

}  // namespace

std::string PendingFile::error(const char* verb, int code) const
{
    return (option_.empty() ? "" : option_ + ": ") + "cannot " + verb + " '" + name_ + "': " + std::strerror(code);
}

std::optional<std::string> PendingFile::temporaryFolder(const std::string& name)
{
    if (isSystemName(name))
        return std::nullopt;
    const std::filesystem::path target = resolvedFileName(name);
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        return std::nullopt;
    return target.parent_path().string();
}

std::optional<std::string> PendingFile::writeProtection(const std::string& name)
{
    struct stat existing {};
    if (isSystemName(name) || ::stat(name.c_str(), &existing) != 0 || !S_ISREG(existing.st_mode))
        return std::nullopt;
    if ((existing.st_mode & kAnyWriteBit) == 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%o", static_cast<unsigned>(existing.st_mode & 07777));
        return std::string("the file is write-protected (mode ") + mode + ")";
    }
    if (::access(name.c_str(), W_OK) != 0)
        return std::string(std::strerror(errno));
    return std::nullopt;
}

int PendingFile::create(const std::string& option, const std::string& name, std::string& error)
{
    discard();
    option_ = option;
    name_ = name;
    direct_ = false;
    sharedTarget_ = false;
    target_ = resolvedFileName(name).string();

    struct stat existing {};
    // As `>` does: a name that leads nowhere the system can follow (a loop
    // of links, a file taken for a folder) is refused.
    if (::stat(name.c_str(), &existing) != 0 && errno != ENOENT) {
        error = this->error("create", errno);
        return -1;
    }
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        error = this->error("create", EISDIR);
        return -1;
    }
    sharedTarget_ = exists && S_ISREG(existing.st_mode) && existing.st_nlink > 1;
    if (isSystemName(name) || (exists && !S_ISREG(existing.st_mode))) {
        direct_ = true;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kNewFileMode);
        if (fd < 0)
            error = this->error("create", errno);
        return fd;
    }
    const int fd = createTemporary(error);
    if (fd < 0 || !exists)
        return fd;
    // The replacement keeps the replaced file's permissions, and its owner
    // where we may set it (otherwise the new file stays ours).
    const int ownerKept = ::fchown(fd, existing.st_uid, existing.st_gid);
    (void)ownerKept;
    if (::fchmod(fd, existing.st_mode & 07777) != 0) {
        error = this->error("create", errno);
        closeKeepingErrno(fd);
        discard();
        return -1;
    }
    return fd;
}

int PendingFile::createTemporary(std::string& error)
{
    const auto slash = target_.rfind('/');
    const std::string folder = target_.substr(0, slash + 1);
    const std::string base = target_.substr(slash + 1);
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        const std::string candidate = folder + newTemporaryName(base);
        // Registered before it exists, so that no signal finds it unknown.
        slot_ = registerTemporary(candidate.c_str());
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        const int failure = errno;
        if (fd >= 0 && lockAsOwner(fd, candidate)) {
            // The writers close their own descriptors: the lock keeps one.
            lockFd_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
            temporary_ = candidate;
            return fd;
        }
        forgetTemporary(slot_);
        slot_ = -1;
        if (fd >= 0) {
            ::close(fd);  // a clean-up removed it before it was locked
            continue;
        }
        if (failure != EEXIST) {
            error = this->error("create", failure);
            return -1;
        }
    }
    error = this->error("create", EEXIST);
    return -1;
}

bool PendingFile::makeDurable(std::string& error)
{
    if (temporary_.empty())
        return true;
    // Through the descriptor that holds the lock where there is one: the
    // name may be gone, or the file not readable (its mode is the replaced
    // file's).
    const int fd = lockFd_ >= 0 ? ::dup(lockFd_) : ::open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        error = this->error("write", errno);
        if (fd >= 0)
            closeKeepingErrno(fd);
        return false;
    }
    ::close(fd);
    return true;
}

bool PendingFile::replaceTarget(std::string& error)
{
    if (temporary_.empty())
        return true;
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        error = this->error("replace", errno);
        return false;
    }
    // Forgotten only now: removing the name once renamed does no harm.
    letGo();
    return true;
}

void PendingFile::discard()
{
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    letGo();
}

void PendingFile::letGo()
{
    forgetTemporary(slot_);
    slot_ = -1;
    temporary_.clear();
    if (lockFd_ >= 0)
        ::close(lockFd_);
    lockFd_ = -1;
}

}  // namespace tavo_cli
