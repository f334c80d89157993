#pragma once

// Who owns a temporary file is told by a lock on it: the run writing it
// holds an open-file-description lock (F_OFD_SETLK) on it for as long as the
// file is its temporary.  Such a lock is the file's, not the process's: it
// is seen by every process on this machine, in every PID namespace, and by
// other hosts where the shared file system carries locks (NFS with its lock
// service), and the system drops it when the owner ends however it ends.
// A temporary whose lock can be taken has no owner left and may go.

#include <string>

namespace tavo_cli {

// Locks the file just created as `path` and open as `fd` (for writing) for
// this run, waiting while a clean-up looks at it.  False when the clean-up
// removed it meanwhile: the run then needs another name.  Where the file
// system has no locks, the file stays unlocked, which no clean-up takes for
// stale.
bool lockAsOwner(int fd, const std::string& path);

// Opens the existing file `path` and locks it as a temporary's owner does,
// without waiting; the open descriptor (-1 when that fails, or when another
// holds a lock on it), to be closed to let go.
int holdLock(const std::string& path);

// Removes `path` when its lock can be taken, that is when no living run
// owns it; false when it stays (owned, gone already, or not to be
// inspected).  `failure` is set to the errno of a removal that failed.
bool removeIfUnowned(const std::string& path, int& failure);

}  // namespace tavo_cli
