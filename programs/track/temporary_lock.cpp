#include "programs/track/temporary_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavo_cli {

namespace {

// A lock of the whole file, of the kind the descriptor's access allows: a
// write lock conflicts with any other lock, a read lock with a write lock.
bool tryLock(int fd, short type, bool wait)
{
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;  // to the end, however long the file grows
    int result;
    do
        result = ::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock);
    while (result != 0 && errno == EINTR);
    return result == 0;
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Opens `path`, not through a link (nor truncating it), for writing or
// else for reading; the lock type the descriptor allows goes to `type`.  A
// write lock is the one wanted: it conflicts with any other.
int openForLock(const std::string& path, short& type)
{
    constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    type = F_WRLCK;
    int fd = ::open(path.c_str(), O_WRONLY | kFlags);
    if (fd < 0 && errno == EACCES) {
        type = F_RDLCK;
        fd = ::open(path.c_str(), O_RDONLY | kFlags);
    }
    return fd;
}

}  // namespace

bool lockAsOwner(int fd, const std::string& path)
{
    if (!tryLock(fd, F_WRLCK, true))
        return true;  // no locks here: the file stays, unlocked
    struct stat opened {}, named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 && sameFile(opened, named);
}

int holdLock(const std::string& path)
{
    short type = F_WRLCK;
    const int fd = openForLock(path, type);
    if (fd >= 0 && !tryLock(fd, type, false)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool removeIfUnowned(const std::string& path, int& failure)
{
    failure = 0;
    short type = F_WRLCK;
    const int fd = openForLock(path, type);
    if (fd < 0)
        return false;
    bool removed = false;
    struct stat opened {}, named {};
    // Removed only while locked, and only the very file inspected.
    if (tryLock(fd, type, false) && ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
        ::lstat(path.c_str(), &named) == 0 && sameFile(opened, named)) {
        removed = ::unlink(path.c_str()) == 0;
        if (!removed && errno != ENOENT)
            failure = errno;
    }
    ::close(fd);
    return removed;
}

}  // namespace tavo_cli
